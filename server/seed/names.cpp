#include "server/seed/names.h"

#include <cctype>
#include <iterator>

namespace lumeno::server {
namespace {

struct Syllable {
    const char* text;
    const char* py;
};

const Syllable kSurnames[] = {
    {"王", "wang"},  {"李", "li"},    {"张", "zhang"}, {"刘", "liu"},  {"陈", "chen"},
    {"杨", "yang"},  {"黄", "huang"}, {"赵", "zhao"},  {"吴", "wu"},   {"周", "zhou"},
    {"徐", "xu"},    {"孙", "sun"},   {"马", "ma"},    {"朱", "zhu"},  {"胡", "hu"},
    {"郭", "guo"},   {"何", "he"},    {"高", "gao"},   {"林", "lin"},  {"罗", "luo"},
    {"郑", "zheng"}, {"梁", "liang"}, {"谢", "xie"},   {"宋", "song"}, {"唐", "tang"}};

const Syllable kMaleGiven[] = {{"伟", "wei"},  {"强", "qiang"}, {"磊", "lei"},  {"军", "jun"},
                               {"洋", "yang"}, {"勇", "yong"},  {"杰", "jie"},  {"涛", "tao"},
                               {"明", "ming"}, {"超", "chao"},  {"刚", "gang"}, {"鹏", "peng"},
                               {"辉", "hui"},  {"浩", "hao"},   {"宇", "yu"},   {"峰", "feng"}};

const Syllable kFemaleGiven[] = {{"芳", "fang"}, {"娜", "na"},   {"敏", "min"},  {"静", "jing"},
                                 {"丽", "li"},   {"艳", "yan"},  {"娟", "juan"}, {"霞", "xia"},
                                 {"婷", "ting"}, {"雪", "xue"},  {"琳", "lin"},  {"晓", "xiao"},
                                 {"悦", "yue"},  {"倩", "qian"}, {"颖", "ying"}, {"萍", "ping"}};

const char* const kLatinFirst[] = {"Alice", "Bob",   "Claire", "David", "Emma",  "Frank",
                                   "Grace", "Henry", "Irene",  "Jack",  "Laura", "Marco"};
const char* const kLatinLast[] = {"Martin", "Chen",   "Dubois", "Wilson", "Rossi",  "Schmidt",
                                  "Tanaka", "Garcia", "Novak",  "Kim",    "Larsen", "Moreau"};

const Place kPlaces[] = {{"上海", "上海"}, {"北京", "北京"}, {"广东", "深圳"}, {"广东", "广州"},
                         {"浙江", "杭州"}, {"四川", "成都"}, {"江苏", "南京"}, {"湖北", "武汉"},
                         {"陕西", "西安"}, {"福建", "厦门"}};

const Occupation kJobs[] = {
    {"云帆科技", "产品经理", "互联网", "产品设计,用户研究,数据分析"},
    {"星河传媒", "市场总监", "文化传媒", "品牌策划,市场营销,公关"},
    {"蓝鲸金融", "数据分析师", "金融", "SQL,Python,风险建模"},
    {"远山贸易", "销售经理", "贸易", "渠道拓展,谈判,客户管理"},
    {"青禾教育", "课程顾问", "教育", "课程设计,沟通,招生"},
    {"北辰制造", "机械工程师", "制造业", "CAD,工艺改进,质量管理"},
    {"Northwind", "Design Lead", "Design", "UX,Figma,Design systems"},
    {"Contoso", "Software Engineer", "Software", "C++,Distributed systems,Linux"},
    {"海峡医疗", "临床研究员", "医疗健康", "临床试验,统计,医学写作"},
    {"知行咨询", "管理咨询顾问", "咨询", "战略规划,行业研究,PPT"}};

std::string Lower(const std::string& text) {
    std::string out;
    for (char c : text)
        if (c != ' ') out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

}  // namespace

GeneratedName NameFor(std::uint32_t index) {
    GeneratedName n;
    if (index % 6 == 5) {
        std::string first = kLatinFirst[(index / 6) % std::size(kLatinFirst)];
        std::string last = kLatinLast[(index / 72) % std::size(kLatinLast)];
        n.name = first + " " + last;
        n.py = Lower(n.name);
        n.gender = (index / 6) % 2 == 0 ? 2 : 1;
        return n;
    }
    const Syllable& surname = kSurnames[index % std::size(kSurnames)];
    bool female = (index / 7) % 2 == 1;
    const Syllable* given = female ? kFemaleGiven : kMaleGiven;
    size_t count = female ? std::size(kFemaleGiven) : std::size(kMaleGiven);
    const Syllable& first = given[(index / 13) % count];
    n.name = std::string(surname.text) + first.text;
    n.py = std::string(surname.py) + first.py;
    if ((index / 3) % 2 == 0) {
        const Syllable& second = given[(index / 5) % count];
        n.name += second.text;
        n.py += second.py;
    }
    n.gender = female ? 2 : 1;
    return n;
}

Place PlaceFor(std::uint32_t index) {
    return kPlaces[index % std::size(kPlaces)];
}

Occupation OccupationFor(std::uint32_t index) {
    return kJobs[index % std::size(kJobs)];
}

}  // namespace lumeno::server
