#include "util/small_components.h"

#include <zlib.h>

#include "platform/machine_facts.h"
#include "util/binary_buffer.h"
#include "util/jpeg_codec.h"
#include "util/png_codec.h"

std::string CWinVersion::VersionText() {
    return platform::OperatingSystemVersion();
}

std::vector<std::uint8_t> CZlib::Compress(const std::uint8_t* bytes, std::size_t length) {
    uLongf size = compressBound(static_cast<uLong>(length));
    std::vector<std::uint8_t> out(size);
    if (compress(out.data(), &size, bytes, static_cast<uLong>(length)) != Z_OK) return {};
    out.resize(size);
    return out;
}

std::vector<std::uint8_t> CZlib::Uncompress(const std::uint8_t* bytes, std::size_t length,
                                            std::size_t limit) {
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) return {};
    std::vector<std::uint8_t> out;
    std::uint8_t chunk[16384];
    stream.next_in = const_cast<Bytef*>(bytes);
    stream.avail_in = static_cast<uInt>(length);
    int status = Z_OK;
    while (status == Z_OK) {
        stream.next_out = chunk;
        stream.avail_out = sizeof chunk;
        status = inflate(&stream, Z_NO_FLUSH);
        if (status != Z_OK && status != Z_STREAM_END) break;
        out.insert(out.end(), chunk, chunk + (sizeof chunk - stream.avail_out));
        if (out.size() > limit) status = Z_MEM_ERROR;
        if (status == Z_OK && stream.avail_in == 0 && stream.avail_out != 0) status = Z_BUF_ERROR;
    }
    inflateEnd(&stream);
    return status == Z_STREAM_END ? out : std::vector<std::uint8_t>();
}

const ComponentRecord kUtilComponentTable[] = {
    ComponentTableHeader(),
    ComponentEntry<CPluginString>(u"CPluginString", false),
    ComponentEntry<CKesList>(u"CKesList", false),
    ComponentEntry<CKesStringListImpl>(u"CKesStringListImpl", false),
    ComponentEntry<CKesDWORDListImpl>(u"CKesDWORDListImpl", false),
    ComponentEntry<CKesBinaryBuffer>(u"CKesBinaryBuffer", false),
    ComponentEntry<CWinVersion>(u"CWinVersion", true),
    ComponentEntry<CZlib>(u"CZlib", true),
    ComponentEntry<CLibPng>(u"CLibPng", true),
    ComponentEntry<CJpeg>(u"CJpeg", true),
    ComponentEntry<CKesWOW64>(u"CKesWOW64", true),
    ComponentTableEnd(),
};
