#include <cstdio>
#include <vector>

#include "server/seed/seed_writer.h"
#include "server/seed/seeds.h"

namespace lumeno::server {
namespace {

struct Person {
    std::int64_t id;
    const char* username;
    const char* name;
    const char* py;
    int gender;
    const char* province;
    const char* city;
    const char* company;
    const char* position;
    const char* industry;
    const char* school;
    const char* education;
    const char* skills;
    const char* signature;
    int work_since;
    int judge;
};

const Person kPeople[] = {
    {6, "", "Lumeno小秘书", "lumenoxiaomishu", 2, "上海", "上海", "Lumeno", "官方客服", "互联网",
     "", "", "答疑,反馈", "有问题随时找我", 2015, 1},
    {10001, "demo", "林晓", "linxiao", 2, "上海", "上海", "云帆科技", "产品经理", "互联网",
     "复旦大学", "硕士", "产品设计,用户研究,数据分析,项目管理", "专注做有温度的产品", 2014, 1},
    {10002, "zhangwei", "张伟", "zhangwei", 1, "上海", "上海", "云帆科技", "技术总监", "互联网",
     "上海交通大学", "本科", "C++,分布式系统,团队管理", "代码即文档", 2009, 1},
    {10003, "wangfang", "王芳", "wangfang", 2, "北京", "北京", "星河传媒", "人力资源经理",
     "文化传媒", "中国人民大学", "硕士", "招聘,组织发展,员工关系", "为好公司找到好人才", 2012, 1},
    {10004, "alice", "Alice Martin", "alicemartin", 2, "Île-de-France", "Paris", "Northwind",
     "Design Lead", "Design", "École des Beaux-Arts", "硕士", "UX,Figma,Design systems",
     "Design is how it works.", 2013, 0},
    {10005, "lina", "李娜", "lina", 2, "广东", "深圳", "蓝鲸金融", "数据分析师", "金融", "中山大学",
     "本科", "SQL,Python,风险建模", "", 2017, 0},
    {10006, "chenjing", "陈静", "chenjing", 2, "上海", "上海", "云帆科技", "前端工程师", "互联网",
     "同济大学", "本科", "TypeScript,React,性能优化", "热爱开源", 2018, 0},
    {10007, "liuyang", "刘洋", "liuyang", 1, "广东", "广州", "远山贸易", "销售总监", "贸易",
     "华南理工大学", "本科", "渠道拓展,谈判,客户管理", "周末爱爬山", 2010, 1},
    {10008, "bobchen", "Bob Chen", "bobchen", 1, "Singapore", "Singapore", "Contoso",
     "Software Engineer", "Software", "NUS", "本科", "C++,Distributed systems,Linux", "", 2016, 0},
    {10009, "zhaolei", "赵磊", "zhaolei", 1, "上海", "上海", "智联猎聘", "资深猎头顾问", "人力资源",
     "华东师范大学", "本科", "高端招聘,行业洞察", "帮你找到下一个机会", 2011, 1},
    {10010, "sunyue", "孙悦", "sunyue", 2, "北京", "北京", "星河传媒", "市场经理", "文化传媒",
     "北京师范大学", "本科", "品牌策划,市场营销", "", 2016, 0},
    {10011, "zhoujie", "周杰", "zhoujie", 1, "湖北", "武汉", "北辰制造", "系统架构师", "制造业",
     "华中科技大学", "博士", "工业互联网,架构设计", "", 2008, 0},
    {10012, "wuting", "吴婷", "wuting", 2, "浙江", "杭州", "Northwind", "UI设计师", "Design",
     "中国美术学院", "本科", "视觉设计,插画,动效", "", 2019, 0},
    {10013, "emilie", "Émilie Dubois", "emiliedubois", 2, "Auvergne-Rhône-Alpes", "Lyon",
     "Lumière SA", "Marketing Director", "Consumer goods", "HEC Paris", "硕士",
     "Brand strategy,Go-to-market", "", 2007, 1},
    {10014, "zhengkai", "郑凯", "zhengkai", 1, "江苏", "南京", "知行咨询", "高级顾问", "咨询",
     "南京大学", "硕士", "战略规划,行业研究", "", 2012, 0},
    {10016, "machao", "马超", "machao", 1, "广东", "广州", "远山贸易", "招聘经理", "贸易",
     "暨南大学", "本科", "招聘,雇主品牌", "", 2013, 0},
    {10017, "huangli", "黄丽", "huangli", 2, "四川", "成都", "青禾教育", "课程顾问", "教育",
     "四川大学", "本科", "课程设计,沟通", "", 2015, 0},
    {10018, "hejun", "何军", "hejun", 1, "北京", "北京", "知行咨询", "管理咨询顾问", "咨询",
     "清华大学", "硕士", "战略规划,PPT", "", 2011, 0},
    {10019, "gaoxue", "高雪", "gaoxue", 2, "福建", "厦门", "海峡医疗", "临床研究员", "医疗健康",
     "厦门大学", "博士", "临床试验,医学写作", "", 2014, 0},
    {10020, "jameswilson", "James Wilson", "jameswilson", 1, "England", "London", "Contoso",
     "Product Manager", "Software", "UCL", "硕士", "Roadmaps,Analytics", "", 2012, 0},
    {10021, "xuming", "徐明", "xuming", 1, "湖北", "武汉", "北辰制造", "机械工程师", "制造业",
     "武汉理工大学", "本科", "CAD,工艺改进", "", 2013, 0},
    // Nobody's friends yet: tests make them friends while an account is signed in.
    {10022, "zhangsan", "张三", "zhangsan", 1, "上海", "上海", "云帆科技", "测试工程师", "互联网",
     "同济大学", "本科", "自动化测试,性能测试", "", 2019, 0},
    {10023, "mutouren", "123木头人", "123mutouren", 1, "浙江", "杭州", "自由职业", "插画师",
     "Design", "中国美术学院", "本科", "插画,绘本", "", 2016, 0},
};

// Accounts that can sign in, each with the demo password.
const char* const kSignInAccounts[] = {"demo", "zhangwei", "wangfang", "alice", "zhaolei"};

UserRow RowOf(const Person& p) {
    UserRow u;
    u.id = p.id;
    u.username = p.username;
    char mobile[16];
    std::snprintf(mobile, sizeof mobile, "138%08lld", static_cast<long long>(p.id));
    u.mobile = p.id == 6 ? "" : mobile;
    u.email = p.username[0] ? std::string(p.username) + "@lumeno.test" : "";
    u.name = p.name;
    u.py = p.py;
    u.gender = p.gender;
    u.province = p.province;
    u.city = p.city;
    u.company = p.company;
    u.position = p.position;
    u.industry = p.industry;
    u.school = p.school;
    u.education = p.education;
    u.skills = p.skills;
    u.signature = p.signature;
    u.work_since = p.work_since;
    u.judge = p.judge;
    u.birthday = "1990-0" + std::to_string(1 + p.id % 9) + "-1" + std::to_string(p.id % 10);
    return u;
}

}  // namespace

void SeedDemo(Store& store) {
    SeedWriter w(store);
    for (const Person& p : kPeople) {
        bool can_sign_in = false;
        for (const char* account : kSignInAccounts)
            if (std::string(account) == p.username) can_sign_in = true;
        UserRow row = RowOf(p);
        if (p.id == 10011) row.reconly = 1;
        w.Person(row, can_sign_in ? kDemoPassword : "");
    }
    UserRow seeker;
    seeker.id = 10015;
    seeker.name = "匿名求职者";
    seeker.py = "nimingqiuzhizhe";
    seeker.anonym = 1;
    seeker.avatar = "5";
    seeker.city = "上海";
    seeker.province = "上海";
    seeker.company = "某互联网公司";
    seeker.position = "高级产品经理";
    seeker.education = "硕士";
    seeker.salary = "30-40K";
    seeker.skills = "B端产品,增长,数据驱动";
    seeker.attitude = "正在看机会，一个月内到岗";
    seeker.statement = "希望加入一支有追求的产品团队";
    seeker.work_since = 2015;
    w.Person(seeker);

    const std::int64_t me = 10001, zhang = 10002, wang = 10003, alice = 10004, lina = 10005,
                       chen = 10006, liu = 10007, bob = 10008, zhao = 10009, sun = 10010,
                       zhou = 10011, wu = 10012, emilie = 10013, zheng = 10014, seeker_id = 10015,
                       ma = 10016, huang = 10017, he = 10018, gao = 10019, james = 10020,
                       xu = 10021, helper = 6;
    for (std::int64_t f :
         {helper, zhang, wang, alice, lina, chen, liu, bob, zheng, huang, he, gao, james, xu})
        w.Friends(me, f, f == zhang || f == chen ? 1 : 2);
    w.Friends(zhang, zhao);
    w.Friends(zhang, chen);
    w.Friends(zhang, lina);
    w.Friends(zhang, bob);
    w.Friends(wang, sun);
    w.Friends(wang, liu);
    w.Friends(alice, wu);
    w.Friends(alice, bob);
    w.Friends(liu, ma);
    w.Friends(liu, huang);

    JobRow j1;
    j1.poster_id = wang;
    j1.position = "高级产品经理";
    j1.company = "星河传媒";
    j1.province = "北京";
    j1.city = "北京";
    j1.salary = 35000;
    j1.salary_info = "30-45K·14薪";
    j1.custom_text = "负责内容平台的产品规划与迭代";
    j1.sup_text = "五险一金 弹性工作 年度体检";
    std::int64_t job1 = w.Job(j1);
    JobRow j2 = j1;
    j2.position = "产品总监";
    j2.province = "上海";
    j2.city = "上海";
    j2.salary = 60000;
    j2.salary_info = "50-70K·15薪";
    j2.custom_text = "带领20人产品团队";
    std::int64_t job2 = w.Job(j2);
    JobRow j3;
    j3.poster_id = ma;
    j3.position = "大客户销售经理";
    j3.company = "远山贸易";
    j3.province = "广东";
    j3.city = "广州";
    j3.salary = 25000;
    j3.salary_info = "20-30K·13薪";
    j3.custom_text = "开拓华南区域重点客户";
    j3.sup_text = "高提成 带薪年假";
    std::int64_t job3 = w.Job(j3);

    std::int64_t c = w.Direct(zhang, me, 4400);
    w.Text(c, zhang, 4300, "晓，下周的需求评审定在周二上午可以吗？");
    w.Text(c, me, 4290, "可以的，我把PRD再过一遍 [smiles_01_01]");
    w.Picture(c, zhang, 4280, 1);
    w.Text(c, zhang, 4279, "这是上次白板讨论的照片");
    w.Text(c, me, 2900, "消息同步那块的方案我看了，分页的思路很清晰");
    w.Text(c, zhang, 2895, "嗯，推送那块还要再压测一下");
    w.Voice(c, zhang, 2890, 4);
    w.Card(c, zhang, 1500, zhao);
    w.Text(c, zhang, 1499, "这位是我认识的猎头赵磊，人很靠谱，你们可以认识一下");
    w.Text(c, me, 1450, "好的，谢谢！\xF0\x9F\x98\x84");
    w.Text(c, zhang, 300, "今晚上线，记得留意监控");
    w.Text(c, zhang, 120, "上线顺利，辛苦了 \xF0\x9F\x98\x83");
    w.Text(c, zhang, 30, "明天早上一起复盘？");
    std::int64_t with_zhang = c;

    c = w.Direct(wang, me, 5100);
    w.Text(c, wang, 5000, "林晓你好，我们在招高级产品经理，想请你帮忙推荐");
    w.JobMessage(c, wang, 4990, job1, 100);
    w.Text(c, me, 4900, "收到，我身边正好有合适的人选");
    w.Resume(c, me, 4890, chen);
    w.Text(c, wang, 1000, "简历收到了，我们安排面试 [smiles_01_02]");
    w.Text(c, wang, 61, "另外这个职位你看看有没有兴趣？");
    w.JobMessage(c, wang, 60, job2, 102);
    std::int64_t with_wang = c;

    c = w.Direct(alice, me, 7100);
    w.Text(c, alice, 7000, "Hi Lin! Great meeting you at the design summit.");
    w.Text(c, me, 6990, "Likewise! Your talk on design systems was inspiring.");
    w.Picture(c, alice, 6000, 2);
    w.Text(c, alice, 5990, "Our new studio in Paris \xF0\x9F\x98\x8A");
    w.Text(c, alice, 200, "Are you coming to Shanghai Design Week? \xF0\x9F\x98\x83");
    std::int64_t with_alice = c;

    c = w.Direct(helper, me, 10100);
    w.Text(c, helper, 10000, "欢迎来到Lumeno！在这里你可以结识更多职场伙伴。");
    w.Text(c, helper, 9999, "有任何问题或建议，直接在这里留言即可，我们会尽快回复。");
    std::int64_t with_helper = c;

    c = w.Group(me, "产品研发群", {zhang, chen, bob, lina}, 8100);
    w.Notice(c, me, 8000, "林晓邀请张伟、陈静、Bob Chen、李娜加入了群聊");
    w.Text(c, me, 7990, "大家好，这个群用来同步版本进度 [smiles_01_03]");
    w.Text(c, chen, 7000, "前端这边联调完成了");
    w.Text(c, bob, 6900, "Backend is ready for testing too.");
    w.Picture(c, lina, 3000, 3);
    w.Text(c, lina, 2990, "上周的留存数据出来了，次日留存提升了3个点");
    w.Text(c, zhang, 2980, "@林晓 这个数据可以放到周报里", "10001");
    w.Voice(c, chen, 1440, 6);
    w.Text(c, bob, 600, "@陈静 can you review my PR?", "10006");
    w.Text(c, chen, 100, "好的，马上看");
    w.Text(c, zhang, 50, "@林晓 @陈静 明天上午十点开会", "10001,10006");
    w.Text(c, lina, 10, "收到");
    std::int64_t team = c;

    c = w.Group(liu, "周末徒步", {me, wang, alice, huang}, 9100);
    w.Notice(c, liu, 9000, "刘洋邀请林晓、王芳、Alice Martin、黄丽加入了群聊");
    w.Text(c, liu, 8990, "周六去佘山，有兴趣的报名～");
    w.Text(c, huang, 8900, "我报名！");
    w.Text(c, alice, 8800, "Count me in!");
    w.Picture(c, liu, 1400, 4);
    w.Text(c, liu, 1390, "上次的合影");
    w.Text(c, huang, 45, "这周还去吗？");
    std::int64_t hiking = c;

    c = w.Group(helper, "Lumeno 官方用户群", {me, he, gao, james, xu, huang, lina, bob, zheng},
                20100, true);
    w.Notice(c, helper, 20000, "欢迎加入Lumeno官方用户群");
    w.Text(c, helper, 19000, "本群仅群主可以邀请新成员。");
    w.Text(c, he, 700, "请问PC版什么时候支持语音通话？");
    w.Text(c, helper, 690, "@何军 已经在规划中，敬请期待", "10018");
    std::int64_t official = c;

    c = w.Anonymous(me, seeker_id, 3100);
    w.Text(c, seeker_id, 3000, "您好，看到贵公司在招产品经理，想了解一下团队情况", "", 1);
    w.Text(c, me, 2950, "你好，我们是做企业协作产品的，团队30人左右");
    w.Text(c, seeker_id, 500, "方便的话可以发一下JD吗？", "", 1);
    std::int64_t anonymous = c;

    c = w.Direct(zhao, me, 1310);
    w.Text(c, zhao, 1300, "林晓您好，我是张伟介绍的赵磊，有个机会想和您聊聊");
    std::int64_t with_zhao = c;

    c = w.Direct(zheng, me, 16000);
    w.Text(c, zheng, 15000, "上次的行业报告发你邮箱了");
    w.Text(c, me, 14990, "收到，谢谢");
    std::int64_t with_zheng = c;

    c = w.Direct(xu, me, 50010);
    w.Text(c, xu, 50000, "好久不见！最近怎么样？");
    w.Text(c, me, 49990, "挺好的，你呢？有空来上海聚聚");
    std::int64_t with_xu = c;

    c = w.Group(wu, "设计交流", {alice, gao}, 2000);
    w.Notice(c, wu, 1990, "吴婷邀请Alice Martin、高雪加入了群聊");
    w.Text(c, wu, 1980, "欢迎大家分享设计灵感");
    std::int64_t design = c;

    std::int64_t others = w.Direct(wang, zhang, 3000);
    w.Text(others, wang, 2999, "张总，技术岗的JD已经发您了");
    w.Text(others, zhang, 2990, "好的，我周末看");

    w.Flush();
    w.LeaveUnread(with_zhang, me, 2);
    w.LeaveUnread(with_wang, me, 2);
    w.LeaveUnread(with_alice, me, 1);
    w.LeaveUnread(with_helper, me, 0);
    w.LeaveUnread(team, me, 5);
    w.LeaveUnread(hiking, me, 3);
    w.LeaveUnread(official, me, 0);
    w.LeaveUnread(anonymous, me, 1);
    w.LeaveUnread(with_zhao, me, 1);
    w.LeaveUnread(with_xu, me, 0);
    w.LeaveUnread(with_zheng, me, 0);
    w.LeaveUnread(with_zhang, zhang, 0);
    w.LeaveUnread(team, zhang, 1);
    w.LeaveUnread(others, zhang, 0);
    w.LeaveUnread(with_wang, wang, 0);
    w.LeaveUnread(others, wang, 0);
    w.LeaveUnread(with_alice, alice, 0);
    w.LeaveUnread(hiking, alice, 1);
    w.LeaveUnread(design, alice, 0);
    w.Delete(with_zheng, me);

    auto task = [&](std::int64_t owner, int type, std::int64_t from, int minutes_ago) {
        TaskRow t;
        t.owner_id = owner;
        t.type = type;
        t.from_id = from;
        return std::make_pair(t, minutes_ago);
    };
    auto [request, r_at] = task(me, kTaskFriendRequest, zhao, 240);
    request.attach = "您好，我是张伟的朋友赵磊，想和您交流一下职业机会";
    request.level = 2;
    w.Task(request, r_at);
    auto [recommend, c_at] = task(me, kTaskRecommendation, sun, 600);
    recommend.other_id = zhang;
    recommend.attach = "想认识一下张伟，交流技术团队管理";
    w.Task(recommend, c_at);
    auto [level, l_at] = task(me, kTaskLevelRequest, zheng, 900);
    level.level = 1;
    w.Task(level, l_at);
    auto [offer, o_at] = task(me, kTaskJobOffer, ma, 1200);
    offer.jid = job3;
    w.Task(offer, o_at);
    auto [invite, i_at] = task(me, kTaskGroupInvitation, wu, 1500);
    invite.mid = design;
    w.Task(invite, i_at);
    auto [profile, p_at] = task(me, kTaskCompleteProfile, helper, 3000);
    w.Task(profile, p_at);
    auto [to_zhang, z_at] = task(zhang, kTaskFriendRequest, emilie, 800);
    to_zhang.attach = "Hello Zhang Wei, I'd love to connect.";
    w.Task(to_zhang, z_at);
    auto [to_alice, a_at] = task(alice, kTaskFriendRequest, zhou, 700);
    to_alice.attach = "你好，想向你请教设计系统的落地经验";
    w.Task(to_alice, a_at);
}

bool StoreHasUsers(Store& store) {
    return store.Db().QueryInt("SELECT 1 FROM users LIMIT 1").has_value();
}

}  // namespace lumeno::server
