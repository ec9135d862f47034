#include <algorithm>
#include <iterator>
#include <vector>

#include "server/seed/names.h"
#include "server/seed/seed_writer.h"
#include "server/seed/seeds.h"
#include "server/store/conversation_repo.h"

namespace lumeno::server {
namespace {

constexpr std::int64_t kBenchId = 100001;
constexpr int kSharedAvatars = 32;

const char* const kPhrases[] = {
    "好的，收到",           "明天上午十点开会",       "这个方案我再想想",
    "数据已经更新到看板了", "Sounds good to me.",     "周报发你邮箱了 [smiles_01_01]",
    "客户那边反馈不错",     "下周一起吃个饭？",       "Let's sync tomorrow.",
    "合同已经寄出",         "需求文档有更新，请查看", "辛苦了！[smiles_01_02]",
    "版本今晚发布",         "我在路上，十分钟到",     "PPT 第三页需要改一下"};

UserRow Contact(std::int64_t id, std::uint32_t index) {
    GeneratedName n = NameFor(index);
    Place place = PlaceFor(index / 3);
    Occupation job = OccupationFor(index / 7);
    UserRow u;
    u.id = id;
    u.name = n.name;
    u.py = n.py;
    u.gender = n.gender;
    u.province = place.province;
    u.city = place.city;
    u.company = job.company;
    u.position = job.position;
    u.industry = job.industry;
    u.skills = job.skills;
    u.work_since = 2005 + static_cast<int>(index % 15);
    return u;
}

}  // namespace

void SeedBulk(Store& store, const BulkSize& size) {
    SeedWriter w(store);
    UserRow bench;
    bench.id = kBenchId;
    bench.username = "bench";
    bench.name = "基准测试";
    bench.py = "jizhunceshi";
    bench.company = "云帆科技";
    bench.position = "产品经理";
    w.Person(bench, kDemoPassword);

    const int contacts = std::max(1, size.contacts);
    for (int i = 0; i < contacts; ++i) {
        std::int64_t id = kBenchId + 1 + i;
        w.Person(Contact(id, static_cast<std::uint32_t>(i)), {}, 1 + i % kSharedAvatars);
        w.Friends(kBenchId, id, 1 + i % 3);
    }

    struct Conversation {
        std::int64_t mid;
        std::vector<std::int64_t> members;
    };
    std::vector<Conversation> conversations;
    const int total_minutes = std::max(1, size.days) * 24 * 60;
    for (int i = 0; i < size.conversations; ++i) {
        std::int64_t peer = kBenchId + 1 + i % contacts;
        if (i % 10 == 9) {
            std::vector<std::int64_t> members{kBenchId};
            for (int k = 0; k < 3 + i % 6; ++k)
                members.push_back(kBenchId + 1 + (i * 7 + k * 13) % contacts);
            std::sort(members.begin(), members.end());
            members.erase(std::unique(members.begin(), members.end()), members.end());
            conversations.push_back(
                {w.Group(kBenchId, "项目群 " + std::to_string(i + 1), members, total_minutes + 10),
                 members});
        } else {
            conversations.push_back(
                {w.Direct(peer, kBenchId, total_minutes + 10), {peer, kBenchId}});
        }
    }

    // Messages interleave over the conversations and spread evenly over the time span.
    const long long total = static_cast<long long>(size.conversations) * size.messages;
    long long n = 0;
    for (int j = 0; j < size.messages; ++j) {
        for (size_t i = 0; i < conversations.size(); ++i, ++n) {
            const Conversation& c = conversations[i];
            int minutes_ago =
                static_cast<int>(total_minutes - (total_minutes * n) / std::max(1LL, total));
            std::int64_t sender =
                c.members[static_cast<size_t>(j + static_cast<int>(i)) % c.members.size()];
            if (j % 10 == 4)
                w.Picture(c.mid, sender, minutes_ago, static_cast<std::uint32_t>(1 + n % 8));
            else if (j % 25 == 12)
                w.Voice(c.mid, sender, minutes_ago, 2 + static_cast<int>(n % 4));
            else
                w.Text(c.mid, sender, minutes_ago,
                       kPhrases[static_cast<size_t>(n) % std::size(kPhrases)]);
        }
    }
    w.Flush();
    for (const Conversation& c : conversations)
        w.LeaveUnread(c.mid, kBenchId, 3);
}

}  // namespace lumeno::server
