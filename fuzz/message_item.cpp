// Messages as the service may describe them made into items of the conversation page: whatever a
// message holds, its item is a flat JSON object of texts, and every address in it passed the
// page's allow-list.
#include <fuzzer/FuzzedDataProvider.h>
#include <json/reader.h>
#include <stdlib.h>

#include <QGuiApplication>
#include <QImage>
#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "conversation/emoticon_table.h"
#include "conversation/message_items.h"
#include "fuzz/fuzz_check.h"

namespace {

constexpr std::size_t kMostText = 512;

std::string Text(FuzzedDataProvider& in) {
    return in.ConsumeRandomLengthString(kMostText);
}

// An address the page may be given: empty, a web address, a file this client wrote, or one of
// the page's own pictures.
// A web address's scheme is read without regard to case, as browsers read it ("HTTP://" too).
bool AllowedAddress(const std::string& value) {
    const std::size_t end = value.find("://");
    std::string scheme = end == std::string::npos ? std::string() : value.substr(0, end);
    std::transform(scheme.begin(), scheme.end(), scheme.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return value.empty() || scheme == "http" || scheme == "https" ||
           value.starts_with("file:///") || value.starts_with("images/");
}

// The page's own emoticon script with the pictures of its first few codes (the skin's pictures
// are made when the program is built, which this tree does not do).
EmoticonTable MakeEmoticons() {
    static char folder[] = "/tmp/lumeno-fuzz-skin-XXXXXX";
    FUZZ_EXPECT(::mkdtemp(folder) != nullptr);
    std::atexit([] {
        std::error_code error;
        std::filesystem::remove_all(folder, error);
    });
    const std::filesystem::path page = std::filesystem::path(folder) / "qxstc-ie6fix";
    std::filesystem::create_directories(page / "js");
    std::filesystem::create_directories(page / "images/smiles");
    std::filesystem::copy_file(LUMENO_SKIN_STATIC "/qxstc-ie6fix/js/sms.js", page / "js/sms.js");
    QImage picture(24, 24, QImage::Format_ARGB32);
    picture.fill(Qt::yellow);
    for (const char* name : {"smiles_01_01", "smiles_01_02", "smiles_01_03"}) {
        const std::filesystem::path file = page / "images/smiles" / (std::string(name) + ".png");
        FUZZ_EXPECT(picture.save(QString::fromStdString(file.string())));
    }
    return EmoticonTable::Load(folder);
}

const EmoticonTable& Emoticons() {
    static const EmoticonTable table = MakeEmoticons();
    return table;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Text widths come from the page's font.
    static QGuiApplication application(*argc, *argv);
    FUZZ_EXPECT(!Emoticons().Empty());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    ConversationRecord conversation;
    conversation.type = in.ConsumeIntegralInRange<std::int32_t>(0, 4);
    conversation.me_is_anony = in.ConsumeIntegralInRange<std::int32_t>(0, 1);
    conversation.deleted = in.ConsumeIntegralInRange<std::int32_t>(0, 1);
    LoginRecord account;
    account.avatar = Text(in);
    account.anon_avatar = Text(in);
    account.realname = Text(in);

    std::map<std::string, UserRecord> users;
    for (int count = in.ConsumeIntegralInRange(0, 3); count > 0; --count) {
        UserRecord user;
        user.qxid = Text(in);
        user.name = Text(in);
        user.avatar = Text(in);
        user.career = Text(in);
        user.judge = in.ConsumeIntegral<std::int32_t>();
        conversation.member_ids.push_back(user.qxid);
        users[user.qxid] = user;
    }

    MessageRecord message;
    constexpr std::int32_t kTypes[] = {0, 1, 2, 3, 99, 100, 101, 102, 103, 104, 105, 106};
    message.type = in.ConsumeBool() ? in.PickValueInArray(kTypes) : in.ConsumeIntegral<int>();
    message.is_me = in.ConsumeIntegralInRange<std::int32_t>(0, 1);
    message.anonym = in.ConsumeIntegralInRange<std::int32_t>(0, 1);
    message.unread = in.ConsumeIntegralInRange<std::int32_t>(0, 1);
    message.id = in.ConsumeIntegral<std::int32_t>();
    message.crtimestamp = in.ConsumeIntegral<std::int32_t>();
    message.crtime = Text(in);
    message.qxid = Text(in);
    message.file.url = Text(in);
    message.file.local_path = Text(in);
    message.file.duration = in.ConsumeIntegral<std::int32_t>();
    message.job.share_url = Text(in);
    message.job.position = Text(in);
    message.job.company = Text(in);
    message.job.clogo = Text(in);
    message.resume_user.share_url = Text(in);
    message.resume_user.avatar = Text(in);
    message.reveal_user.avatar = Text(in);
    message.reveal_user.name = Text(in);
    if (in.ConsumeBool()) message.mentioned_ids.push_back(Text(in));
    message.text = in.ConsumeRemainingBytesAsString();

    ItemSources sources;
    sources.conversation = &conversation;
    sources.account = &account;
    sources.findUser = [&users](const std::string& qxid) -> const UserRecord* {
        auto it = users.find(qxid);
        return it == users.end() ? nullptr : &it->second;
    };
    sources.avatarFile = [](const std::string&, const std::string& url) {
        return url.size() % 2 ? "/tmp/avatars/" + url.substr(0, 8) : std::string();
    };
    sources.fetchUser = [](const std::string&) {};
    sources.emoticons = &Emoticons();

    const std::string item = MakeItem(message, sources);
    Json::Value root;
    static const std::unique_ptr<Json::CharReader> reader(
        Json::CharReaderBuilder().newCharReader());
    FUZZ_EXPECT(reader->parse(item.data(), item.data() + item.size(), &root, nullptr));
    FUZZ_EXPECT(root.isObject());
    for (const std::string& name : root.getMemberNames())
        FUZZ_EXPECT(root[name].isString());
    for (const char* field : {"uicon", "cimg", "company", "rimg"})
        FUZZ_EXPECT(AllowedAddress(root.get(field, "").asString()));
    const MessageKind kind = static_cast<MessageKind>(message.type);
    if (kind == MessageKind::kPicture || kind == MessageKind::kJob ||
        kind == MessageKind::kJobShared || kind == MessageKind::kJobApplied ||
        kind == MessageKind::kJobInvited || kind == MessageKind::kResume)
        FUZZ_EXPECT(AllowedAddress(root["content"].asString()));

    TimeLabelMarks marks;
    const std::string below = BelowData(message, sources, marks);
    FUZZ_EXPECT(below.find(item) != std::string::npos);
    return 0;
}
