// Pinyin of 10,000 names and a name search over them (by characters, whole pinyin and initials),
// as ratios to a plain substring search over the same names, measured in this run.
#include <iconv.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "api/contact_search.h"
#include "storage/user_store.h"
#include "util/pinyin/name_search.h"
#include "util/pinyin/pinyin.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string CharAt(iconv_t cd, int code) {
    char gbk[2] = {static_cast<char>(0xA0 + code / 100), static_cast<char>(0xA0 + code % 100)};
    char utf8[8] = {};
    char* in = gbk;
    char* out = utf8;
    std::size_t inLeft = 2, outLeft = 7;
    iconv(cd, &in, &inLeft, &out, &outLeft);
    return utf8;
}

std::vector<std::string> Names(std::size_t count) {
    const char* surnames[] = {"王", "李", "张", "刘", "陈", "杨", "黄", "赵", "吴", "周",
                              "徐", "孙", "马", "朱", "胡", "郭", "何", "高", "林", "欧阳"};
    const char* latin[] = {"Alice Martin", "Bob Chen", "James Wilson", "Émilie Dubois"};
    iconv_t cd = iconv_open("UTF-8", "GB2312");
    std::uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 8) & 0xFFFFFF; };
    std::vector<std::string> names;
    for (std::size_t i = 0; i < count; ++i) {
        if (next() % 10 == 0) {
            names.push_back(std::string(latin[next() % 4]) + " " + std::to_string(i));
            continue;
        }
        std::string name = surnames[next() % 20];
        const int given = 1 + static_cast<int>(next() % 2);
        for (int g = 0; g < given; ++g) {
            const int row = 16 + static_cast<int>(next() % 40);
            const int cell = 1 + static_cast<int>(next() % (row == 55 ? 89 : 94));
            name += CharAt(cd, row * 100 + cell);
        }
        names.push_back(name);
    }
    iconv_close(cd);
    return names;
}

// Best of five runs of `work`, in nanoseconds.
template <typename Work>
double Measure(Work work) {
    double best = 1e30;
    for (int run = 0; run < 5; ++run) {
        const auto start = Clock::now();
        work();
        const double ns = std::chrono::duration<double, std::nano>(Clock::now() - start).count();
        best = std::min(best, ns);
    }
    return best;
}

}  // namespace

int main() {
    const std::vector<std::string> names = Names(10000);
    const char* typed[] = {"zhang", "zs", "王", "li", "wilson", "xq"};
    std::size_t sink = 0;

    const double plain = Measure([&] {
        for (const char* t : typed)
            for (const std::string& name : names)
                sink += name.find(t) != std::string::npos;
    });
    const double convert = Measure([&] {
        for (const std::string& name : names) {
            sink += ToPinyin(name, kPinyinWhole).size();
            sink += ToPinyin(name, kPinyinInitials).size();
        }
    });
    const double searchConverting = Measure([&] {
        for (const char* t : typed) {
            const NameQuery query(t);
            for (const std::string& name : names)
                sink += query.Matches(name);
        }
    });
    std::vector<NameSearchKeys> keys;
    keys.reserve(names.size());
    for (const std::string& name : names)
        keys.push_back(MakeNameSearchKeys(name));
    const double searchKeys = Measure([&] {
        for (const char* t : typed) {
            const NameQuery query(t);
            for (const NameSearchKeys& k : keys)
                sink += query.Matches(k);
        }
    });

    // The contact list's search over the same names as first-degree contacts.
    CDBUser& store = CDBUser::Instance();
    for (std::size_t i = 0; i < names.size(); ++i) {
        UserRecord user;
        user.qxid = "q" + std::to_string(i);
        user.name = names[i];
        user.py = ToPinyin(names[i], kPinyinWhole);
        user.dist = 1;
        user.utype = 1;
        store.Users()[user.qxid] = user;
    }
    store.RebuildContactIndex();
    const double firstContactSearch = Measure([&] { sink += SearchContacts("zhang").size(); });
    const double contactSearch = Measure([&] {
        for (const char* t : typed)
            sink += SearchContacts(t).size();
    });

    const double searches = static_cast<double>(std::size(typed));
    std::printf("names: %zu, searches: %zu\n", names.size(), std::size(typed));
    std::printf("plain substring search: %.2f ms per search\n", plain / searches / 1e6);
    std::printf("ToPinyin, both modes, all names: %.2f ms (%.1fx one plain search)\n",
                convert / 1e6, convert / (plain / searches));
    std::printf("pinyin search converting each name: %.2f ms per search (%.1fx plain)\n",
                searchConverting / searches / 1e6, searchConverting / plain);
    std::printf("pinyin search over kept keys: %.2f ms per search (%.1fx plain)\n",
                searchKeys / searches / 1e6, searchKeys / plain);
    std::printf("contact search (pinyin kept per contact): %.2f ms per search (%.1fx plain)\n",
                contactSearch / searches / 1e6, contactSearch / plain);
    (void)firstContactSearch;
    return sink == 0 ? 1 : 0;
}
