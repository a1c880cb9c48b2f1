// demoshop: a complete shop folder with realistic data, for demos and benchmarks.
//   demoshop FOLDER [--goods N] [--members N] [--days N] [--orders-per-day N]
//                   [--seed S] [--today yyyy-MM-dd]
// The same seed and day give the same store. Sales cover the N days before today.

#include "clock.h"
#include "ini.h"
#include "paths.h"
#include "scramble.h"
#include "sqlite.h"
#include "store.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTime>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <unordered_set>
#include <vector>

namespace {

// ---- deterministic random numbers (xoshiro256**, seeded by splitmix64) ----

class Rng {
public:
    explicit Rng(uint64_t seed)
    {
        for (auto &x : m_s) {
            seed += 0x9E3779B97F4A7C15ull;
            uint64_t z = seed;
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
            x = z ^ (z >> 31);
        }
    }
    uint64_t next()
    {
        const uint64_t result = rotl(m_s[1] * 5, 7) * 9;
        const uint64_t t = m_s[1] << 17;
        m_s[2] ^= m_s[0];
        m_s[3] ^= m_s[1];
        m_s[1] ^= m_s[2];
        m_s[0] ^= m_s[3];
        m_s[2] ^= t;
        m_s[3] = rotl(m_s[3], 45);
        return result;
    }
    // 0 <= x < n
    uint64_t below(uint64_t n) { return n ? uint64_t((unsigned __int128)next() * n >> 64) : 0; }
    int range(int lo, int hi) { return lo + int(below(uint64_t(hi - lo + 1))); }  // lo..hi
    double uniform() { return double(next() >> 11) * 0x1.0p-53; }
    bool chance(double p) { return uniform() < p; }
    template <class T, size_t N> const T &pick(const T (&a)[N]) { return a[below(N)]; }

private:
    static uint64_t rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    uint64_t m_s[4];
};

// Index into weights, chosen in proportion to them.
int weighted(Rng &rng, const std::vector<double> &w)
{
    double sum = 0;
    for (double x : w)
        sum += x;
    double r = rng.uniform() * sum;
    for (size_t i = 0; i < w.size(); ++i) {
        r -= w[i];
        if (r < 0)
            return int(i);
    }
    return int(w.size()) - 1;
}

// ---- the shop's range ----

struct ClassDef {
    const char *name;
    int weight;     // share of the catalogue
    bool weighed;   // sold by weight, fractional quantities
    const char *unit;
    double priceLo, priceHi;
    std::vector<const char *> items;
    std::vector<const char *> flavours;  // empty: none
    std::vector<const char *> sizes;
};

const std::vector<ClassDef> &classes()
{
    static const std::vector<ClassDef> c = {
        {"饮料", 14, false, "瓶", 1.5, 18,
         {"矿泉水", "纯净水", "绿茶", "红茶", "冰红茶", "柠檬茶", "橙汁", "苹果汁", "酸梅汤", "可乐", "柠檬汽水",
          "运动饮料", "椰汁", "杏仁露", "凉茶", "苏打水", "咖啡饮料", "奶茶", "乌龙茶", "蜂蜜柚子茶"},
         {"", "", "无糖", "低糖", "经典"},
         {"330ml", "500ml", "550ml", "600ml", "1.25L", "1.5L", "2L", "250ml×6"}},
        {"零食", 16, false, "袋", 2, 38,
         {"薯片", "饼干", "夹心饼干", "苏打饼干", "瓜子", "花生", "开心果", "牛肉干", "猪肉脯", "果冻", "巧克力",
          "棒棒糖", "口香糖", "蛋卷", "米饼", "海苔", "辣条", "豆干", "话梅", "葡萄干", "锅巴", "虾条"},
         {"", "原味", "香辣味", "烧烤味", "番茄味", "麻辣味", "五香", "奶香", "海盐味"},
         {"45g", "70g", "100g", "150g", "200g", "250g", "500g"}},
        {"方便食品", 8, false, "包", 2, 30,
         {"红烧牛肉面", "老坛酸菜面", "香辣牛肉面", "海鲜面", "桶装面", "自热火锅", "八宝粥", "火腿肠", "午餐肉",
          "速食米饭", "榨菜", "面包", "蛋糕", "酸辣粉", "螺蛳粉"},
         {"", "", "加量装", "经典"},
         {"105g", "120g", "5连包", "360g", "60g×10", "280g"}},
        {"粮油", 6, false, "袋", 5, 128,
         {"大米", "东北大米", "香米", "面粉", "挂面", "花生油", "菜籽油", "调和油", "玉米油", "小米", "绿豆", "红豆",
          "糯米", "燕麦片"},
         {},
         {"1kg", "2.5kg", "5kg", "10kg", "900ml", "1.8L", "5L"}},
        {"调味品", 7, false, "瓶", 1.5, 35,
         {"酱油", "生抽", "老抽", "陈醋", "香醋", "食盐", "白砂糖", "冰糖", "味精", "鸡精", "蚝油", "料酒", "豆瓣酱",
          "辣椒酱", "芝麻油", "花椒", "八角", "胡椒粉", "火锅底料"},
         {"", "", "特级", "零添加"},
         {"250g", "400g", "500ml", "800ml", "1.9L", "40g", "150g"}},
        {"乳制品", 6, false, "盒", 2, 80,
         {"纯牛奶", "酸奶", "高钙奶", "早餐奶", "奶粉", "豆奶", "乳酸菌饮品", "奶酪棒", "鲜牛奶"},
         {"", "", "低脂", "原味", "草莓味"},
         {"200ml", "250ml×12", "950ml", "400g", "100g×8", "1L"}},
        {"酒水", 5, false, "瓶", 3, 368,
         {"啤酒", "纯生啤酒", "黄酒", "米酒", "白酒", "红葡萄酒", "果酒", "干白葡萄酒"},
         {},
         {"330ml", "500ml", "500ml×12", "750ml", "2.5L", "125ml"}},
        {"日用品", 12, false, "个", 2, 60,
         {"抽纸", "卷纸", "湿巾", "垃圾袋", "保鲜膜", "保鲜袋", "一次性杯", "电池", "打火机", "蚊香", "衣架", "毛巾",
          "拖鞋", "雨伞", "牙签", "纸杯", "晾衣夹", "收纳盒"},
         {},
         {"单个", "3包", "10卷", "80抽×3", "30只", "5号×4", "大号", "中号"}},
        {"洗护用品", 9, false, "瓶", 3, 89,
         {"洗发水", "护发素", "沐浴露", "牙膏", "牙刷", "香皂", "洗衣液", "洗衣粉", "洗洁精", "洗手液", "面霜",
          "护手霜", "剃须刀", "消毒液"},
         {"", "清香", "柠檬", "薰衣草", "草本"},
         {"200ml", "400ml", "750ml", "1kg", "2kg", "120g", "3支装"}},
        {"文具", 6, false, "支", 1, 45,
         {"中性笔", "圆珠笔", "铅笔", "橡皮", "笔记本", "作业本", "文件夹", "胶带", "胶水", "剪刀", "便利贴", "计算器",
          "修正带", "尺子", "笔芯"},
         {"", "黑色", "蓝色", "红色"},
         {"0.5mm", "单个", "10支装", "A5", "B5", "16K", "大号"}},
        {"冷冻食品", 5, false, "袋", 2, 45,
         {"水饺", "汤圆", "馄饨", "雪糕", "冰淇淋", "冰棍", "速冻包子", "鱼丸", "手抓饼", "春卷"},
         {"", "猪肉白菜", "三鲜", "芝麻", "香草味", "巧克力味"},
         {"400g", "500g", "1kg", "75g", "单支", "6支装"}},
        {"水果", 3, true, "千克", 4, 68,
         {"苹果", "香蕉", "橙子", "梨", "葡萄", "西瓜", "哈密瓜", "猕猴桃", "芒果", "火龙果", "柚子", "草莓", "樱桃",
          "菠萝", "荔枝", "龙眼", "桃子", "柠檬"},
         {"", "精选", "特级", "本地", "有机"},
         {"散装"}},
        {"蔬菜", 3, true, "千克", 1.5, 24,
         {"土豆", "西红柿", "黄瓜", "白菜", "青椒", "胡萝卜", "洋葱", "茄子", "生菜", "菠菜", "芹菜", "豆角", "南瓜",
          "冬瓜", "大蒜", "生姜"},
         {"", "精选", "本地", "有机"},
         {"散装"}},
    };
    return c;
}

// Made-up trade marks of the demo range.
const char *const Marks[] = {"禾润", "嘉禾源", "翠谷", "云岭", "溪畔", "丰悦", "乐邻", "青禾", "梧桐", "安澜",
                             "秋实", "南塘", "金穗坊", "山岚", "鹿鸣", "小满", "晴川", "百合湾", "松间", "星河"};

const char *const Surnames[] = {"王", "李", "张", "刘", "陈", "杨", "黄", "赵", "吴", "周", "徐", "孙", "马", "朱", "胡",
                                "郭", "何", "林", "罗", "高", "郑", "梁", "谢", "宋", "唐", "许", "韩", "冯", "邓", "曹"};
const char *const Given[] = {"伟", "芳", "娜", "敏", "静", "丽", "强", "磊", "军", "洋", "勇", "艳", "杰", "娟", "涛",
                             "明", "超", "秀英", "霞", "平", "刚", "桂英", "华", "建华", "文", "玲", "婷", "斌", "鹏",
                             "宇", "浩", "欣", "悦", "子涵", "一诺", "梓萱", "俊", "晨", "宁", "海燕", "志强", "雪梅"};
const char *const Streets[] = {"和平路", "解放路", "人民路", "建设路", "幸福路", "文化路", "新华街", "中山路",
                               "滨江路", "学府路", "朝阳街", "光明路"};
const char *const Estates[] = {"阳光小区", "锦绣花园", "东湖苑", "翠竹园", "金桂园", "和谐家园"};

struct CardType { const char *name; int rate; double share; };
const CardType CardTypes[] = {{"普通卡", 100, 0.50}, {"银卡", 95, 0.30}, {"金卡", 90, 0.15}, {"钻石卡", 85, 0.05}};

struct Supplier { const char *name; const char *tel; };
const Supplier Suppliers[] = {
    {"嘉禾商贸有限公司", "0571-86001201"}, {"东升食品批发部", "0571-86001202"}, {"恒信日化经营部", "0571-86001203"},
    {"南山粮油批发", "0571-86001204"},     {"鲜达果蔬配送", "0571-86001205"},   {"乐邻饮品经销部", "0571-86001206"},
    {"文华文具批发", "0571-86001207"},     {"冰川冷链配送", "0571-86001208"}};
// Supplier of each class, by index into classes().
const int ClassSupplier[] = {5, 1, 1, 3, 3, 5, 0, 2, 2, 6, 7, 4, 4};

struct User { const char *name; const char *password; int admin; int logins; double sells; };
// The schema's two users keep their password; the demo adds two.
const User Users[] = {{"店长", nullptr, 2, 25, 0.15}, {"收银员", nullptr, 0, 60, 0.50},
                      {"王芳", "1111", 0, 45, 0.35}, {"陈会计", "2222", 1, 8, 0.0}};

struct SalesPerson { const char *no; const char *name; };
const SalesPerson SalesPeople[] = {{"01", "周晓梅"}, {"02", "孙立"}, {"03", "何静"}, {"04", "马文涛"}};

const char *const ChangeReasons[] = {"损坏", "退货", "自用", "赠送", "其他"};

constexpr int AddRate = 10;  // money per point in the demo shop

// ---- helpers ----

std::string utf8(const QString &s)
{
    const QByteArray b = s.toUtf8();
    return std::string(b.constData(), size_t(b.size()));
}

// EAN-13 check digit of the first twelve digits.
char ean13Check(const char *d12)
{
    int sum = 0;
    for (int i = 0; i < 12; ++i)
        sum += (d12[i] - '0') * (i % 2 ? 3 : 1);
    return char('0' + (10 - sum % 10) % 10);
}

// Cents of a price drawn log-uniformly from the class's range, with a shop's endings.
int64_t drawPrice(Rng &rng, double lo, double hi)
{
    double p = lo * std::pow(hi / lo, rng.uniform());
    int64_t cents;
    if (p < 10)
        cents = std::llround(p * 10) * 10;  // 3.5, 4.8
    else if (p < 100)
        cents = std::llround(p * 2) * 50 - (rng.chance(0.4) ? 10 : 0);  // 12.5, 29.9
    else
        cents = std::llround(p) * 100 - (rng.chance(0.5) ? 10 : 0);  // 128, 199.9
    return std::max<int64_t>(cents, 10);
}

// Nearest integer of num/den (den > 0), exact halves to the even one: how the till
// keeps points in four decimals.
int64_t divHalfEven(int64_t num, int64_t den)
{
    const bool neg = num < 0;
    const int64_t a = neg ? -num : num;
    int64_t q = a / den;
    const int64_t r2 = 2 * (a % den);
    if (r2 > den || (r2 == den && (q & 1)))
        ++q;
    return neg ? -q : q;
}

double units(int64_t u) { return double(u) / 10000.0; }
double cents(int64_t c) { return double(c) / 100.0; }

// The receipt serial number: "yymmddhhnnss" without its first digit (like orderNumberAt()),
// built by hand because a million QDateTime::toString calls would dominate the build.
void orderNumber(char out[12], int year, int month, int day, int secOfDay)
{
    const int h = secOfDay / 3600, mi = secOfDay / 60 % 60, s = secOfDay % 60;
    const int v[] = {month, day, h, mi, s};
    out[0] = char('0' + year % 10);
    for (int i = 0; i < 5; ++i) {
        out[1 + 2 * i] = char('0' + v[i] / 10);
        out[2 + 2 * i] = char('0' + v[i] % 10);
    }
    out[11] = 0;
}
uint64_t orderKey(const char num[12]) { return std::strtoull(num, nullptr, 10); }

// ---- the engine, directly: the bulk insert reuses its prepared statements ----

class Stmt {
public:
    Stmt(sqlite3 *db, const char *sql) : m_db(db)
    {
        if (sqlite3_prepare_v2(db, sql, -1, &m_st, nullptr) != SQLITE_OK)
            throw std::runtime_error(std::string(sqlite3_errmsg(db)) + " in " + sql);
    }
    ~Stmt() { sqlite3_finalize(m_st); }
    Stmt(const Stmt &) = delete;
    Stmt &operator=(const Stmt &) = delete;

    Stmt &text(int i, const std::string &s)
    {
        check(sqlite3_bind_text(m_st, i, s.data(), int(s.size()), SQLITE_TRANSIENT));
        return *this;
    }
    Stmt &text(int i, const char *s)
    {
        check(sqlite3_bind_text(m_st, i, s, -1, SQLITE_TRANSIENT));
        return *this;
    }
    Stmt &num(int i, double v)
    {
        check(sqlite3_bind_double(m_st, i, v));
        return *this;
    }
    Stmt &integer(int i, int64_t v)
    {
        check(sqlite3_bind_int64(m_st, i, v));
        return *this;
    }
    Stmt &null(int i)
    {
        check(sqlite3_bind_null(m_st, i));
        return *this;
    }
    void run()
    {
        const int rc = sqlite3_step(m_st);
        sqlite3_reset(m_st);
        if (rc != SQLITE_DONE)
            throw std::runtime_error(sqlite3_errmsg(m_db));
    }

private:
    void check(int rc)
    {
        if (rc != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(m_db));
    }
    sqlite3 *m_db;
    sqlite3_stmt *m_st = nullptr;
};

void exec(sqlite3 *db, const char *sql)
{
    char *msg = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &msg) != SQLITE_OK) {
        const std::string m = msg ? msg : sqlite3_errmsg(db);
        sqlite3_free(msg);
        throw std::runtime_error(m + " in " + sql);
    }
}

// ---- the generated shop ----

struct Options {
    QString folder;
    int goods = 800;
    int members = 300;
    int days = 90;
    int ordersPerDay = 40;
    uint64_t seed = 1;
    QDate today;
};

struct Goods {
    std::string barcode, name;
    int cls;
    int64_t priceCents, price2Cents, costCents;
    bool ifdis, ifaddup, hidden;
    int retireDay;        // retired goods are not sold from this day on
    int64_t soldMilli = 0;  // net quantity of the generated lines, thousandths
    int64_t changeMilli = 0;
};

struct Member {
    std::string cardId;
    int type;
    int fromDay, endDay;  // relative to the first sales day
    bool valid;
    int invalidDay;       // an invalid card was valid before this day
    int64_t addupUnits = 0;
    int buyTimes = 0;
};

struct Line { int goods; int64_t qtyMilli, cents, costUnits; };
struct RecentOrder { int member, salesId; std::vector<Line> lines; bool refunded = false; };

struct Counts { int64_t orders = 0, lines = 0, refunds = 0, memberOrders = 0; };

class Builder {
public:
    Builder(const Options &o, sqlite3 *db) : m_o(o), m_db(db), m_rng(o.seed) {}

    Counts build()
    {
        m_first = m_o.today.addDays(-m_o.days);
        makeGoods();
        makeMembers();
        insertFixedRows();
        insertGoods();
        makeOrders();
        insertChanges();
        finishGoods();
        insertMembers();
        insertSalesPeople();
        return m_counts;
    }

private:
    QString dateText(int day) const { return m_first.addDays(day).toString(QStringLiteral("yyyy-MM-dd")); }

    // Skewed towards the front: a few goods and members account for much of the trade.
    int skewed(int n, double power) { return std::min(n - 1, int(n * std::pow(m_rng.uniform(), power))); }

    void makeGoods()
    {
        const auto &cls = classes();
        std::vector<double> w;
        for (const auto &c : cls)
            w.push_back(c.weight);
        std::unordered_set<uint64_t> barcodes;
        m_goods.reserve(size_t(m_o.goods));
        for (int i = 0; i < m_o.goods; ++i) {
            Goods g;
            g.cls = weighted(m_rng, w);
            const ClassDef &c = cls[size_t(g.cls)];
            char code[14];
            do {
                code[0] = '6';
                code[1] = '9';
                for (int k = 2; k < 12; ++k)
                    code[k] = char('0' + m_rng.below(10));
                code[12] = ean13Check(code);
                code[13] = 0;
            } while (!barcodes.insert(std::strtoull(code, nullptr, 10)).second);
            g.barcode = code;
            const char *flavour = c.flavours.empty() ? "" : c.flavours[m_rng.below(c.flavours.size())];
            const char *item = c.items[m_rng.below(c.items.size())];
            g.name = c.weighed ? std::string(flavour) + item
                               : std::string(m_rng.pick(Marks)) + flavour + item;
            m_sizes.push_back(c.sizes[m_rng.below(c.sizes.size())]);
            g.priceCents = drawPrice(m_rng, c.priceLo, c.priceHi);
            g.costCents = std::max<int64_t>(1, std::llround(double(g.priceCents) * (0.55 + 0.3 * m_rng.uniform())));
            g.price2Cents = 0;
            if (m_rng.chance(0.3)) {
                const int64_t p2 = std::llround(double(g.priceCents) * (0.85 + 0.1 * m_rng.uniform()) / 10) * 10;
                if (p2 > g.costCents && p2 < g.priceCents)
                    g.price2Cents = p2;
            }
            g.ifdis = !m_rng.chance(0.12);
            g.ifaddup = !m_rng.chance(0.08);
            g.hidden = m_rng.chance(0.03);
            g.retireDay = g.hidden ? m_o.days / 3 + int(m_rng.below(uint64_t(m_o.days - m_o.days / 3))) : m_o.days;
            m_goods.push_back(std::move(g));
        }
        // Popularity order: cheap everyday goods sell most, with plenty of exceptions.
        std::vector<std::pair<double, int>> keyed(m_goods.size());
        for (size_t i = 0; i < keyed.size(); ++i)
            keyed[i] = {std::log(double(m_goods[i].priceCents)) + 6 * m_rng.uniform(), int(i)};
        std::sort(keyed.begin(), keyed.end());
        m_popular.resize(m_goods.size());
        for (size_t i = 0; i < keyed.size(); ++i)
            m_popular[i] = keyed[i].second;
    }

    void makeMembers()
    {
        std::vector<double> w;
        for (const auto &t : CardTypes)
            w.push_back(t.share);
        const int firstCard = 10000000 + int(m_rng.below(80000000));
        m_members.reserve(size_t(m_o.members));
        for (int i = 0; i < m_o.members; ++i) {
            Member m;
            m.cardId = std::to_string(firstCard + i);
            m.type = weighted(m_rng, w);
            // Half the cards predate the sales period; the rest are issued during it.
            m.fromDay = m_rng.chance(0.5) ? -int(m_rng.below(730)) - 1 : int(m_rng.below(uint64_t(m_o.days)));
            // Cards are renewed: most run on past today, some ran out a while ago.
            if (m_rng.chance(0.12)) {
                m.endDay = m.fromDay + 365 * m_rng.range(1, 3);
                if (m.endDay >= m_o.days)
                    m.endDay = std::max(m.fromDay, m_o.days - 1 - int(m_rng.below(30)));
            } else {
                m.endDay = m_o.days + m_rng.range(30, 1000);
            }
            m.valid = !m_rng.chance(0.06);
            m.invalidDay = m.valid ? m_o.days : m.fromDay + int(m_rng.below(uint64_t(std::max(1, m_o.days - m.fromDay))));
            m_members.push_back(std::move(m));
        }
    }

    void insertFixedRows()
    {
        const auto &cls = classes();
        Stmt cl(m_db, "insert into class(class_name, add_rate) values(?, 1)");
        for (const auto &c : cls)
            cl.text(1, c.name).run();
        Stmt dr(m_db, "insert into disrate(mtype, mrate) values(?, ?)");
        for (const auto &t : CardTypes)
            dr.text(1, t.name).integer(2, t.rate).run();
        // The points policy, ascending points.
        Stmt dc(m_db, "insert into discount(jifen, discount_rate) values(?, ?)");
        const int policy[][2] = {{500, 98}, {2000, 95}, {5000, 92}, {10000, 90}};
        for (const auto &p : policy)
            dc.integer(1, p[0]).integer(2, p[1]).run();
        Stmt sp(m_db, "insert into supplier(sup_name, tel, addr, remark) values(?, ?, '', '')");
        for (const auto &s : Suppliers)
            sp.text(1, s.name).text(2, s.tel).run();

        Stmt user(m_db, "insert into seller(seller, pass, admin, logintimes) values(?, ?, ?, ?)");
        Stmt logins(m_db, "update seller set logintimes=? where seller=?");
        for (const auto &u : Users) {
            if (u.password)
                user.text(1, u.name).text(2, utf8(ShowStr(QString::fromUtf8(u.password)))).integer(3, u.admin)
                    .integer(4, u.logins).run();
            else
                logins.integer(1, u.logins).text(2, u.name).run();
        }

        Stmt shop(m_db, "update shop_info set shop_name=?, tel=?, addr=?, fax=?, print_title=?, welcome_str=?, "
                        "discount=80, needpsw=0, viewpsw=?, shopid=?");
        shop.text(1, "乐邻便利店").text(2, "0571-88886666").text(3, "和平路88号").text(4, "0571-88886667")
            .text(5, "乐邻便利店").text(6, "谢谢惠顾，欢迎再次光临").text(7, utf8(ShowStr(QStringLiteral("806"))))
            .text(8, "LL-0001").run();
        Stmt set(m_db, "update setting set add_rate=?, low_warning=5, setupdate=?");
        set.integer(1, AddRate).text(2, utf8(dateText(0))).run();
        exec(m_db, "insert into dx(user, pass) values('demo', 'demo123')");
    }

    void insertGoods()
    {
        const auto &cls = classes();
        Stmt ins(m_db, "insert into goods(barcode, goods_no, name, costprice, price, price2, guige, amount, unit, "
                       "class_name, in_date, sold, ifaddup, ifdis, hide, remark) "
                       "values(?, ?, ?, ?, ?, ?, ?, 0, ?, ?, ?, 0, ?, ?, ?, '')");
        char no[24];
        // Class code and a running number: unique, and never mistaken for a barcode.
        const int width = std::max(6, int(std::to_string(m_goods.size()).size()));
        for (size_t i = 0; i < m_goods.size(); ++i) {
            const Goods &g = m_goods[i];
            const ClassDef &c = cls[size_t(g.cls)];
            std::snprintf(no, sizeof no, "%02d%0*d", g.cls + 1, width, int(i + 1));
            const std::string inDate = utf8(dateText(-int(m_rng.below(60)) - 1)) + " "
                                       + utf8(QTime(m_rng.range(8, 19), m_rng.range(0, 59), m_rng.range(0, 59))
                                                  .toString(QStringLiteral("HH:mm:ss")));
            m_inDates.push_back(inDate);
            ins.text(1, g.barcode).text(2, no).text(3, g.name).num(4, cents(g.costCents)).num(5, cents(g.priceCents))
                .num(6, cents(g.price2Cents)).text(7, m_sizes[i]).text(8, c.unit).text(9, c.name).text(10, inDate)
                .integer(11, g.ifaddup ? -1 : 0).integer(12, g.ifdis ? -1 : 0).integer(13, g.hidden ? -1 : 0).run();
        }
        // Lines refer to goods by position + 1.
        if (sqlite3_last_insert_rowid(m_db) != int64_t(m_goods.size()))
            throw std::runtime_error("goods did not get the ids 1..n");
    }

    // How many orders each day gets: busier weekends, some noise, the total exactly
    // days × orders-per-day.
    std::vector<int> dayCounts()
    {
        std::vector<double> w(size_t(m_o.days));
        double sum = 0;
        for (int d = 0; d < m_o.days; ++d) {
            const int dow = m_first.addDays(d).dayOfWeek();
            const double f = dow >= 6 ? 1.3 : dow == 5 ? 1.1 : 0.9;
            w[size_t(d)] = f * (0.8 + 0.4 * m_rng.uniform());
            sum += w[size_t(d)];
        }
        const int64_t total = int64_t(m_o.days) * m_o.ordersPerDay;
        std::vector<int> out(size_t(m_o.days));
        double cum = 0;
        int64_t given = 0;
        for (int d = 0; d < m_o.days; ++d) {
            cum += w[size_t(d)];
            const int64_t upTo = d == m_o.days - 1 ? total : int64_t(std::floor(cum / sum * double(total)));
            out[size_t(d)] = int(upTo - given);
            given = upTo;
        }
        return out;
    }

    int lineCount()
    {
        static const std::vector<double> w = {30, 22, 16, 11, 8, 5, 3, 1.4, 1.1, 0.9, 0.7, 0.5, 0.4};
        return weighted(m_rng, w) + 1;
    }

    int64_t quantityMilli(const Goods &g)
    {
        if (classes()[size_t(g.cls)].weighed)
            return 200 + int64_t(m_rng.below(2300));  // grams off the scale
        const double r = m_rng.uniform();
        const int q = r < 0.80 ? 1 : r < 0.94 ? 2 : r < 0.98 ? 3 : r < 0.997 ? m_rng.range(4, 6) : 12;
        return q * 1000;
    }

    int pickGoods(int day)
    {
        for (int tries = 0; tries < 20; ++tries) {
            const int g = m_popular[size_t(skewed(int(m_goods.size()), 2.2))];
            if (day < m_goods[size_t(g)].retireDay)
                return g;
        }
        return -1;
    }

    int pickMember(int day)
    {
        if (m_members.empty() || !m_rng.chance(0.35))
            return -1;
        for (int tries = 0; tries < 4; ++tries) {
            const int m = skewed(int(m_members.size()), 1.6);
            const Member &mb = m_members[size_t(m)];
            // Only a card that was issued, unexpired and valid that day is taken at the till.
            if (day >= mb.fromDay && day <= mb.endDay && day < mb.invalidDay)
                return m;
        }
        return -1;
    }

    void makeOrders()
    {
        Stmt order(m_db, "insert into orderlist(order_id, card_id, total_cost, total_money, seller, sales_id, order_date) "
                         "values(?, ?, ?, ?, ?, ?, ?)");
        Stmt line(m_db, "insert into order_detail(order_id, barcode, amount, subtotal, goods_id) values(?, ?, ?, ?, ?)");
        const std::vector<int> counts = dayCounts();
        std::vector<double> sellerW;
        for (const auto &u : Users)
            sellerW.push_back(u.sells);
        std::unordered_set<uint64_t> numbers;
        numbers.reserve(size_t(int64_t(m_o.days) * m_o.ordersPerDay));
        std::vector<RecentOrder> recent(512);
        size_t recentCount = 0;
        m_salesCents.assign(std::size(SalesPeople), 0);
        std::vector<int> times;
        // Busier around lunch and after work.
        static const std::vector<double> hourW = {3, 6, 7, 8, 10, 9, 6, 6, 7, 9, 11, 10, 7, 4};  // 08..21

        for (int day = 0; day < m_o.days; ++day) {
            const QDate date = m_first.addDays(day);
            const std::string dateStr = utf8(date.toString(QStringLiteral("yyyy-MM-dd")));
            const int n = counts[size_t(day)];
            times.resize(size_t(n));
            for (int &t : times)
                t = (8 + weighted(m_rng, hourW)) * 3600 + int(m_rng.below(3600));
            std::sort(times.begin(), times.end());
            int prev = -1;
            for (int k = 0; k < n; ++k) {
                // One number per second, and never one used before (the year has one digit).
                int t = std::max(times[size_t(k)], prev + 1);
                char num[12];
                for (;;) {
                    orderNumber(num, date.year(), date.month(), date.day(), t);
                    if (numbers.insert(orderKey(num)).second)
                        break;
                    if (++t > 86399)
                        throw std::runtime_error("too many orders in one day for unique order numbers");
                }
                prev = t;
                const char *seller = Users[weighted(m_rng, sellerW)].name;

                // A few customers bring something back from a recent sale.
                RecentOrder *orig = nullptr;
                if (recentCount > 20 && m_rng.chance(0.006)) {
                    RecentOrder &r = recent[(recentCount - 1 - m_rng.below(std::min<size_t>(recentCount, recent.size()) - 1))
                                            % recent.size()];
                    if (!r.refunded)
                        orig = &r;
                }
                if (orig) {
                    orig->refunded = true;
                    std::vector<Line> back;
                    if (orig->lines.size() > 1 && m_rng.chance(0.7))
                        back.push_back(orig->lines[m_rng.below(orig->lines.size())]);
                    else
                        back = orig->lines;
                    int64_t money = 0, cost = 0;
                    for (const Line &l : back) {
                        money += l.cents;
                        cost += l.costUnits;
                    }
                    const Member *mb = orig->member >= 0 ? &m_members[size_t(orig->member)] : nullptr;
                    order.text(1, num).text(2, mb ? mb->cardId : std::string()).num(3, -units(cost))
                        .num(4, -cents(money)).text(5, seller).integer(6, orig->salesId).text(7, dateStr).run();
                    for (const Line &l : back) {
                        Goods &g = m_goods[size_t(l.goods)];
                        line.text(1, num).text(2, g.barcode).num(3, -double(l.qtyMilli) / 1000).num(4, -cents(l.cents))
                            .integer(5, l.goods + 1).run();
                        g.soldMilli -= l.qtyMilli;
                        ++m_counts.lines;
                    }
                    if (orig->member >= 0) {
                        Member &m = m_members[size_t(orig->member)];
                        m.addupUnits -= divHalfEven(money * 100, AddRate);
                        ++m.buyTimes;
                    }
                    if (orig->salesId > 0)
                        m_salesCents[size_t(orig->salesId - 1)] -= money;
                    ++m_counts.refunds;
                    ++m_counts.orders;
                    continue;
                }

                const int member = pickMember(day);
                const int rate = member >= 0 ? CardTypes[m_members[size_t(member)].type].rate : 100;
                const int salesId = m_rng.chance(0.3) ? int(m_rng.below(std::size(SalesPeople))) + 1 : -1;
                RecentOrder &slot = recent[recentCount++ % recent.size()];
                slot.member = member;
                slot.salesId = salesId;
                slot.refunded = false;
                slot.lines.clear();
                const int want = lineCount();
                int64_t total = 0, cost = 0, noAddup = 0;
                auto addLine = [&](int gi, int64_t q) {
                    const Goods &g = m_goods[size_t(gi)];
                    // Unit price in 1/10000: member price, else the member's rate where allowed.
                    int64_t unit = g.priceCents * 100;
                    if (member >= 0) {
                        if (g.price2Cents > 0)
                            unit = g.price2Cents * 100;
                        else if (g.ifdis)
                            unit = g.priceCents * rate;
                    }
                    const Line l{gi, q, (unit * q + 50000) / 100000, (g.costCents * q + 5) / 10};
                    total += l.cents;
                    cost += l.costUnits;
                    if (!g.ifaddup)
                        noAddup += l.cents;
                    slot.lines.push_back(l);
                };
                for (int j = 0; j < want; ++j) {
                    const int gi = pickGoods(day);
                    if (gi < 0)
                        continue;
                    // One line per goods item: a second scan raises the quantity instead.
                    if (std::any_of(slot.lines.begin(), slot.lines.end(), [gi](const Line &l) { return l.goods == gi; }))
                        continue;
                    addLine(gi, quantityMilli(m_goods[size_t(gi)]));
                }
                if (slot.lines.empty())  // everything picked was retired: one of the steady sellers
                    addLine(m_popular[0], 1000);
                const Member *mb = member >= 0 ? &m_members[size_t(member)] : nullptr;
                order.text(1, num).text(2, mb ? mb->cardId : std::string()).num(3, units(cost)).num(4, cents(total))
                    .text(5, seller).integer(6, salesId).text(7, dateStr).run();
                for (const Line &l : slot.lines) {
                    Goods &g = m_goods[size_t(l.goods)];
                    line.text(1, num).text(2, g.barcode).num(3, double(l.qtyMilli) / 1000).num(4, cents(l.cents))
                        .integer(5, l.goods + 1).run();
                    g.soldMilli += l.qtyMilli;
                    ++m_counts.lines;
                }
                if (member >= 0) {
                    Member &m = m_members[size_t(member)];
                    m.addupUnits += divHalfEven((total - noAddup) * 100, AddRate);
                    ++m.buyTimes;
                    ++m_counts.memberOrders;
                }
                if (salesId > 0)
                    m_salesCents[size_t(salesId - 1)] += total;
                ++m_counts.orders;
            }
        }
    }

    // Losses, returns to the supplier, own use: a handful of stock changes.
    void insertChanges()
    {
        Stmt ins(m_db, "insert into goodschange(barcode, name, amount, reason, change_date, goods_id, remark) "
                       "values(?, ?, ?, ?, ?, ?, '')");
        const int n = std::max(m_o.goods >= 50 ? 5 : 0, m_o.goods / 200);
        for (int i = 0; i < n; ++i) {
            const int gi = int(m_rng.below(m_goods.size()));
            Goods &g = m_goods[size_t(gi)];
            const int64_t q = classes()[size_t(g.cls)].weighed ? 500 + int64_t(m_rng.below(1500)) : m_rng.range(1, 3) * 1000;
            g.changeMilli += q;
            ins.text(1, g.barcode).text(2, g.name).num(3, double(q) / 1000).text(4, m_rng.pick(ChangeReasons))
                .text(5, utf8(dateText(int(m_rng.below(uint64_t(m_o.days))))) + " 00:00:00").integer(6, gi + 1).run();
        }
    }

    // One stock-in per goods item before the period, enough for what was sold and
    // changed plus what is left on the shelf; the trigger already took the sales off.
    void finishGoods()
    {
        Stmt upd(m_db, "update goods set amount=amount+? where goods_id=?");
        Stmt in(m_db, "insert into goodsIn(goods_id, pifa_id, amount, costprice, in_date) values(?, ?, ?, ?, ?)");
        for (size_t i = 0; i < m_goods.size(); ++i) {
            const Goods &g = m_goods[i];
            const bool weighed = classes()[size_t(g.cls)].weighed;
            const double r = m_rng.uniform();
            int64_t left = r < 0.015 ? -m_rng.range(1, 5) : r < 0.095 ? m_rng.range(0, 4) : m_rng.range(6, 80);
            left *= 1000;
            int64_t stockIn = g.soldMilli + g.changeMilli + left;
            if (weighed)
                stockIn = (stockIn + 999) / 1000 * 1000;  // whole kilograms delivered
            if (stockIn < 0)
                stockIn = g.changeMilli + 1000 * m_rng.range(6, 30);
            upd.num(1, double(stockIn) / 1000).integer(2, int64_t(i) + 1).run();
            in.integer(1, int64_t(i) + 1).integer(2, ClassSupplier[g.cls] + 1).num(3, double(stockIn) / 1000)
                .num(4, cents(g.costCents)).text(5, m_inDates[i]).run();
            // The changes came out of the stock as well.
            if (g.changeMilli)
                upd.num(1, -double(g.changeMilli) / 1000).integer(2, int64_t(i) + 1).run();
        }
    }

    std::string name()
    {
        return std::string(m_rng.pick(Surnames)) + m_rng.pick(Given) + (m_rng.chance(0.3) ? m_rng.pick(Given) : "");
    }

    void insertMembers()
    {
        Stmt ins(m_db, "insert into member(card_id, name, tel, birthday, lunar, addr, email, mtype, discount, addup, "
                       "exchange, buy_times, status, fromdate, enddate, totalrecharge, balance, remark) "
                       "values(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, '')");
        static const int mobilePrefix[] = {3, 5, 7, 8, 9};
        static const int monthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        for (const Member &m : m_members) {
            char tel[16];
            const double t = m_rng.uniform();
            if (t < 0.85)
                std::snprintf(tel, sizeof tel, "1%d%09d", m_rng.pick(mobilePrefix), int(m_rng.below(1000000000)));
            else if (t < 0.95)
                std::snprintf(tel, sizeof tel, "0571-8%07d", int(m_rng.below(10000000)));
            else
                tel[0] = 0;
            std::string birthday;
            bool lunar = false;
            if (m_rng.chance(0.88)) {
                lunar = m_rng.chance(0.25);
                const int month = m_rng.range(1, 12);
                const int day = m_rng.range(1, lunar ? 29 + int(m_rng.below(2)) : monthDays[month - 1]);
                birthday = std::to_string(month) + "月" + std::to_string(day) + "日";
            }
            std::string addr;
            if (m_rng.chance(0.5))
                addr = std::string(m_rng.pick(Streets)) + std::to_string(m_rng.range(1, 300)) + "号";
            else
                addr = std::string(m_rng.pick(Estates)) + std::to_string(m_rng.range(1, 30)) + "栋"
                       + std::to_string(m_rng.range(1, 18) * 100 + m_rng.range(1, 4));
            const std::string email = m_rng.chance(0.3) ? "m" + m.cardId + "@example.com" : std::string();
            int64_t exchange = 0;
            if (m.addupUnits >= 1000000 && m_rng.chance(0.25))  // 100 points or more
                exchange = int64_t(double(m.addupUnits / 10000) * (0.1 + 0.5 * m_rng.uniform()));
            int64_t recharge = 0, balance = 0;
            if (m_rng.chance(0.1)) {
                static const int amounts[] = {200, 500, 1000};
                recharge = m_rng.pick(amounts) * 100;
                balance = int64_t(m_rng.below(uint64_t(recharge)));
            }
            const CardType &type = CardTypes[m.type];
            ins.text(1, m.cardId).text(2, name()).text(3, tel).text(4, birthday).integer(5, lunar ? -1 : 0)
                .text(6, addr).text(7, email).text(8, type.name).integer(9, type.rate).num(10, units(m.addupUnits))
                .integer(11, exchange).integer(12, m.buyTimes).integer(13, m.valid ? -1 : 0)
                .text(14, utf8(dateText(m.fromDay)) + " 00:00:00").text(15, utf8(dateText(m.endDay)) + " 00:00:00")
                .num(16, cents(recharge)).num(17, cents(balance)).run();
        }
    }

    void insertSalesPeople()
    {
        Stmt ins(m_db, "insert into sales(sales_id, sales_no, sales_name, amount, remark) values(?, ?, ?, ?, '')");
        for (size_t i = 0; i < std::size(SalesPeople); ++i)
            ins.integer(1, int64_t(i) + 1).text(2, SalesPeople[i].no).text(3, SalesPeople[i].name)
                .num(4, cents(m_salesCents[i])).run();
    }

    const Options &m_o;
    sqlite3 *m_db;
    Rng m_rng;
    QDate m_first;
    std::vector<Goods> m_goods;
    std::vector<const char *> m_sizes;
    std::vector<std::string> m_inDates;
    std::vector<int> m_popular;
    std::vector<Member> m_members;
    std::vector<int64_t> m_salesCents;
    Counts m_counts;
};

// ---- the rest of the shop folder ----

bool copyTree(const QString &from, const QString &to)
{
    bool ok = true;
    QDirIterator it(from, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString src = it.next();
        const QString dst = to + QDir(from).relativeFilePath(src);
        if (it.fileInfo().isDir()) {
            ok = QDir().mkpath(dst) && ok;
        } else {
            QDir().mkpath(QFileInfo(dst).absolutePath());
            QFile::remove(dst);
            ok = QFile::copy(src, dst) && ok;
        }
    }
    return ok;
}

// Pictures, help pages and the till background, when the build put them beside us
// (bin/img, bin/help, bin/bg.bmp, or all of them in bin/assets).
void copyAssets(const QString &folder)
{
    const QString assets = executableDir() + QStringLiteral("assets");
    if (QFileInfo(assets).isDir()) {
        if (!copyTree(assets, folder))
            fprintf(stderr, "warning: some assets could not be copied\n");
        return;
    }
    for (const QString &name : {QStringLiteral("img"), QStringLiteral("help")})
        if (QFileInfo(executableDir() + name).isDir())
            copyTree(executableDir() + name, folder + name + QLatin1Char('/'));
    if (QFileInfo::exists(executableDir() + QStringLiteral("bg.bmp")))
        QFile::copy(executableDir() + QStringLiteral("bg.bmp"), folder + QStringLiteral("bg.bmp"));
}

// Printer and display ports write into files of the folder; services stay on this machine.
bool writeIni(const QString &folder, QString *error)
{
    const QString devices = folder + QStringLiteral("devices/");
    if (!QDir().mkpath(devices)) {
        *error = QStringLiteral("cannot make %1").arg(devices);
        return false;
    }
    IniFile ini;
    for (const QString &port : {QStringLiteral("LPT"), QStringLiteral("COM")}) {
        for (int i = 1; i <= 3; ++i) {
            const QString file = devices + port.toLower() + QString::number(i) + QStringLiteral(".out");
            QFile f(file);
            if (!f.exists() && !f.open(QIODevice::WriteOnly)) {
                *error = QStringLiteral("cannot create %1").arg(file);
                return false;
            }
            ini.setValue(QStringLiteral("ports"), port + QString::number(i), file);
        }
    }
    ini.setValue(QStringLiteral("services"), QStringLiteral("search"), QStringLiteral("http://127.0.0.1:18080/sh/code/search"));
    ini.setValue(QStringLiteral("services"), QStringLiteral("add"), QStringLiteral("http://127.0.0.1:18080/sh/code/add"));
    ini.setValue(QStringLiteral("services"), QStringLiteral("sms"), QStringLiteral("127.0.0.1:9900"));
    const QString path = folder + QStringLiteral("zazuvi.ini");
    if (QFileInfo::exists(path)) {
        fprintf(stderr, "note: %s exists and was left as it is\n", qPrintable(path));
        return true;
    }
    return ini.save(path, error);
}

const char Usage[] =
    "usage: demoshop FOLDER [--goods N] [--members N] [--days N] [--orders-per-day N]\n"
    "                       [--seed S] [--today yyyy-MM-dd]\n"
    "Builds a demo shop in FOLDER (which must not hold a dat.db yet): the store with goods,\n"
    "members and the sales of the N days before today, zazuvi.ini with the printer and\n"
    "display ports in FOLDER/devices, and the assets. Defaults: 800 goods, 300 members,\n"
    "90 days, 40 orders a day, seed 1.\n";

bool parseOptions(const QStringList &args, Options *o, QString *error)
{
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        if (!a.startsWith(QStringLiteral("--"))) {
            if (!o->folder.isEmpty()) {
                *error = QStringLiteral("more than one folder given");
                return false;
            }
            o->folder = a;
            continue;
        }
        if (i + 1 >= args.size()) {
            *error = QStringLiteral("%1 needs a value").arg(a);
            return false;
        }
        const QString v = args.at(++i);
        bool ok = false;
        auto number = [&](int lo, int hi, int *out) {
            const qlonglong n = v.toLongLong(&ok);
            ok = ok && n >= lo && n <= hi;
            if (ok)
                *out = int(n);
            else
                *error = QStringLiteral("%1 must be a whole number from %2 to %3").arg(a).arg(lo).arg(hi);
        };
        if (a == QStringLiteral("--goods"))
            number(1, 5000000, &o->goods);
        else if (a == QStringLiteral("--members"))
            number(0, 5000000, &o->members);
        else if (a == QStringLiteral("--days"))
            number(1, 36500, &o->days);
        else if (a == QStringLiteral("--orders-per-day"))
            number(0, 20000, &o->ordersPerDay);
        else if (a == QStringLiteral("--seed")) {
            o->seed = v.toULongLong(&ok);
            if (!ok)
                *error = QStringLiteral("--seed must be a whole number");
        } else if (a == QStringLiteral("--today")) {
            o->today = QDate::fromString(v, QStringLiteral("yyyy-MM-dd"));
            ok = o->today.isValid();
            if (!ok)
                *error = QStringLiteral("--today must be a date yyyy-MM-dd");
        } else {
            *error = QStringLiteral("unknown option %1").arg(a);
        }
        if (!ok)
            return false;
    }
    if (o->folder.isEmpty()) {
        *error = QStringLiteral("no folder given");
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        fputs(Usage, stdout);
        return 0;
    }
    Options o;
    QString error;
    if (!parseOptions(args, &o, &error)) {
        fprintf(stderr, "demoshop: %s\n%s", qPrintable(error), Usage);
        return 2;
    }
    if (!o.today.isValid())
        o.today = Clock::today();

    QElapsedTimer timer;
    timer.start();
    QString folder = QDir(o.folder).absolutePath() + QLatin1Char('/');
    const QString dbFile = folder + Store::defaultFileName();
    if (QFileInfo::exists(dbFile)) {
        fprintf(stderr, "demoshop: %s already exists; not overwritten\n", qPrintable(dbFile));
        return 1;
    }
    if (!QDir().mkpath(folder)) {
        fprintf(stderr, "demoshop: cannot make folder %s\n", qPrintable(folder));
        return 1;
    }
    auto store = Store::create(dbFile, &error);
    if (!store) {
        fprintf(stderr, "demoshop: cannot create %s: %s\n", qPrintable(dbFile), qPrintable(error));
        return 1;
    }
    sqlite3 *db = store->handle();
    Counts counts;
    try {
        // The file is new and is removed on failure, so durability can wait for the end.
        exec(db, "PRAGMA synchronous=OFF");
        exec(db, "PRAGMA journal_mode=MEMORY");
        exec(db, "PRAGMA temp_store=MEMORY");
        exec(db, "PRAGMA threads=2");  // the index sorts may use the second core
        exec(db, "PRAGMA cache_size=-1048576");  // up to 1 GiB: the big indexes stay in memory
        exec(db, "BEGIN IMMEDIATE");
        // Indexes over the millions of sale rows are built once at the end: sorting
        // them in one go is far cheaper than growing them row by row.
        std::vector<std::string> deferred;
        {
            sqlite3_stmt *st = nullptr;
            if (sqlite3_prepare_v2(db, "select name, sql from sqlite_master where type='index' and sql is not null "
                                       "and tbl_name in ('orderlist', 'order_detail')", -1, &st, nullptr) != SQLITE_OK)
                throw std::runtime_error(sqlite3_errmsg(db));
            std::vector<std::string> names;
            while (sqlite3_step(st) == SQLITE_ROW) {
                names.emplace_back(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)));
                deferred.emplace_back(reinterpret_cast<const char *>(sqlite3_column_text(st, 1)));
            }
            sqlite3_finalize(st);
            for (const std::string &n : names)
                exec(db, ("DROP INDEX \"" + n + "\"").c_str());
        }
        Builder b(o, db);
        counts = b.build();
        for (const std::string &sql : deferred)
            exec(db, sql.c_str());
        exec(db, "COMMIT");
    } catch (const std::exception &e) {
        fprintf(stderr, "demoshop: %s\n", e.what());
        store.reset();
        QFile::remove(dbFile);
        QFile::remove(dbFile + QStringLiteral("-journal"));
        return 1;
    }
    store.reset();

    if (!writeIni(folder, &error)) {
        fprintf(stderr, "demoshop: %s\n", qPrintable(error));
        return 1;
    }
    copyAssets(folder);

    printf("demo shop in %s\n", qPrintable(folder));
    printf("  %d goods, %d members, %lld orders (%lld refunds, %lld with a member card), %lld lines, %d days to %s\n",
           o.goods, o.members, (long long)counts.orders, (long long)counts.refunds, (long long)counts.memberOrders,
           (long long)counts.lines, o.days, qPrintable(o.today.addDays(-1).toString(QStringLiteral("yyyy-MM-dd"))));
    printf("  users: 店长 and 收银员 (password 806), 王芳 (1111), 陈会计 (2222)\n");
    printf("  built in %.1f s\n", double(timer.elapsed()) / 1000.0);
    return 0;
}
