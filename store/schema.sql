-- The shop's store. Created once by the installer or the tools; the programs never
-- create, alter or drop tables, indexes or triggers.

CREATE TABLE goods (
    goods_id   INTEGER PRIMARY KEY AUTOINCREMENT,  -- never reused: sale lines keep pointing at it
    barcode    VARCHAR(20),
    goods_no   VARCHAR(20),
    name       VARCHAR(100),
    costprice  FLOAT,
    price      FLOAT,
    price2     FLOAT,
    guige      VARCHAR(15),
    amount     FLOAT DEFAULT 0,
    unit       VARCHAR(10),
    class_name VARCHAR(30),
    in_date    DATETIME,
    sold       FLOAT DEFAULT 0,
    ifaddup    SMALLINT DEFAULT -1,
    ifdis      SMALLINT DEFAULT -1,
    hide       SMALLINT DEFAULT 0,
    remark     TEXT
);
-- The till's scan looks up by barcode first, then by goods number.
CREATE INDEX goods_barcode ON goods(barcode);
CREATE INDEX goods_goods_no ON goods(goods_no);
-- Goods list and stock reports filter and group by class.
CREATE INDEX goods_class ON goods(class_name);

CREATE TABLE class (
    class_name VARCHAR(30),
    add_rate   INTEGER
);

CREATE TABLE member (
    card_id       VARCHAR(20),
    name          VARCHAR(50),
    tel           VARCHAR(15),
    birthday      VARCHAR(12),
    lunar         SMALLINT DEFAULT 0,
    addr          VARCHAR(30),
    email         VARCHAR(30),
    mtype         VARCHAR(20),
    discount      INTEGER DEFAULT 100,
    addup         FLOAT DEFAULT 0,
    exchange      INTEGER DEFAULT 0,
    buy_times     INTEGER DEFAULT 0,
    status        SMALLINT DEFAULT -1,
    fromdate      DATETIME,
    enddate       DATETIME,
    totalrecharge FLOAT DEFAULT 0,
    balance       FLOAT DEFAULT 0,
    remark        TEXT
);
-- The till finds a card without regard to case; the same index keeps a card number
-- from ever being registered twice (also as "a01" beside "A01", which the till could
-- not tell apart).
CREATE UNIQUE INDEX member_card ON member(card_id COLLATE NOCASE);
-- Points, visits and purchase history go by card_id = '...' (exact case), which the
-- NOCASE index above cannot serve; without this every member sale scans the table.
CREATE INDEX member_card_exact ON member(card_id);
-- The member search at the till and in the back office also goes by telephone.
CREATE INDEX member_tel ON member(tel);
-- Birthday reminder lists the members of one birthday text.
CREATE INDEX member_birthday ON member(birthday);

CREATE TABLE disrate (
    mtype VARCHAR(20),
    mrate INTEGER
);

CREATE TABLE discount (
    jifen         INTEGER,
    discount_rate INTEGER
);

CREATE TABLE orderlist (
    order_id    VARCHAR(20),
    card_id     VARCHAR(20),
    total_cost  FLOAT,
    total_money FLOAT,
    seller      VARCHAR(20),
    sales_id    INTEGER DEFAULT -1,
    order_date  DATETIME,
    cash        FLOAT,
    yinlian     FLOAT
);
-- Receipt lookup (reprint, refunds) and the check that a new number is still free.
CREATE INDEX orderlist_order_id ON orderlist(order_id);
-- Every day, month and range report filters by date.
CREATE INDEX orderlist_date ON orderlist(order_date);
-- Member history and the salesperson month totals.
CREATE INDEX orderlist_card ON orderlist(card_id);
CREATE INDEX orderlist_sales ON orderlist(sales_id, order_date);

CREATE TABLE order_detail (
    detail_id INTEGER PRIMARY KEY AUTOINCREMENT,  -- increasing in order of insertion
    order_id  VARCHAR(12),
    barcode   VARCHAR(20),
    amount    FLOAT,
    subtotal  FLOAT,
    goods_id  INTEGER
);
-- The lines of one order (receipts, refunds, day report detail).
CREATE INDEX order_detail_order ON order_detail(order_id);
-- Sales of one goods item (best sellers, whether goods may still be deleted).
CREATE INDEX order_detail_goods ON order_detail(goods_id);

CREATE TABLE sales (
    sales_id   INTEGER PRIMARY KEY AUTOINCREMENT,
    sales_no   VARCHAR(20),
    sales_name VARCHAR(32),
    amount     FLOAT DEFAULT 0,
    remark     VARCHAR(50)
);
-- The till looks a salesperson up by code.
CREATE INDEX sales_no ON sales(sales_no);

CREATE TABLE seller (
    seller     VARCHAR(20),
    pass       VARCHAR(20),
    admin      INTEGER DEFAULT 0,
    logintimes INTEGER DEFAULT 0
);
-- User names are unique; the login looks them up by name.
CREATE UNIQUE INDEX seller_name ON seller(seller);

CREATE TABLE setting (
    backup_every    INTEGER DEFAULT 0,
    autorun         SMALLINT DEFAULT 0,
    discount_policy SMALLINT DEFAULT 0,
    low_warning     INTEGER DEFAULT 5,
    backup_times    INTEGER DEFAULT 0,
    setupdate       VARCHAR(10),
    add_rate        INTEGER DEFAULT 1,
    zeromsg         SMALLINT DEFAULT 0
);

CREATE TABLE shop_info (
    shop_name   VARCHAR(50),
    tel         VARCHAR(30),
    addr        VARCHAR(100),
    fax         VARCHAR(30),
    print_title VARCHAR(50),
    welcome_str VARCHAR(100),
    discount    INTEGER DEFAULT 80,
    needpsw     SMALLINT DEFAULT 0,
    viewpsw     VARCHAR(20),
    shopid      VARCHAR(30)
);

CREATE TABLE goodschange (
    barcode     VARCHAR(20),
    name        VARCHAR(100),
    amount      FLOAT,
    reason      VARCHAR(10),
    change_date DATETIME,
    goods_id    INTEGER,
    remark      VARCHAR(100)
);
-- The stock-change page lists the table by date.
CREATE INDEX goodschange_date ON goodschange(change_date);

CREATE TABLE barcode (
    goods_no VARCHAR(20)
);

CREATE TABLE dx (
    user VARCHAR(30),
    pass VARCHAR(30)
);

CREATE TABLE supplier (
    sup_id   INTEGER PRIMARY KEY AUTOINCREMENT,
    sup_name VARCHAR(50),
    tel      VARCHAR(30),
    addr     VARCHAR(100),
    remark   VARCHAR(100)
);

CREATE TABLE goodsIn (
    in_id    INTEGER PRIMARY KEY AUTOINCREMENT,
    goods_id INTEGER,
    pifa_id  INTEGER,
    amount   FLOAT,
    costprice FLOAT,
    in_date  DATETIME
);
-- The low-stock report joins each goods item to its supplier.
CREATE INDEX goodsin_goods ON goodsIn(goods_id);

CREATE TABLE recharge_his (
    id        INTEGER PRIMARY KEY AUTOINCREMENT,
    card_id   VARCHAR(20),
    money     FLOAT,
    recharge_date DATETIME,
    seller    VARCHAR(20),
    remark    VARCHAR(100)
);

-- Stock follows the recorded sale and refund lines. Only an insert counts: the legacy
-- upgrade links its lines to goods later with an UPDATE, which must not move stock.
CREATE TRIGGER order_detail_stock AFTER INSERT ON order_detail
WHEN NEW.goods_id IS NOT NULL
BEGIN
    UPDATE goods
       SET amount = ifnull(amount, 0) - ifnull(NEW.amount, 0),
           sold   = ifnull(sold, 0) + ifnull(NEW.amount, 0)
     WHERE goods_id = NEW.goods_id;
END;

-- The till's badge shows how many sales the shop has made. Counting them at every start
-- would read the whole order history, so the store keeps the count as orders come and go.
CREATE TABLE order_stats (
    sales_count INTEGER NOT NULL DEFAULT 0
);
CREATE TRIGGER orderlist_count_insert AFTER INSERT ON orderlist
WHEN ifnull(NEW.total_money, 0) > 0
BEGIN
    UPDATE order_stats SET sales_count = sales_count + 1;
END;
CREATE TRIGGER orderlist_count_delete AFTER DELETE ON orderlist
WHEN ifnull(OLD.total_money, 0) > 0
BEGIN
    UPDATE order_stats SET sales_count = sales_count - 1;
END;
CREATE TRIGGER orderlist_count_update AFTER UPDATE OF total_money ON orderlist
WHEN (ifnull(OLD.total_money, 0) > 0) <> (ifnull(NEW.total_money, 0) > 0)
BEGIN
    UPDATE order_stats SET sales_count = sales_count + (ifnull(NEW.total_money, 0) > 0) - (ifnull(OLD.total_money, 0) > 0);
END;

-- A new shop.
INSERT INTO order_stats (sales_count) VALUES (0);
INSERT INTO setting (backup_every, autorun, discount_policy, low_warning, backup_times, setupdate, add_rate, zeromsg)
VALUES (0, 0, 0, 5, 0, '', 1, -1);

INSERT INTO shop_info (shop_name, tel, addr, fax, print_title, welcome_str, discount, needpsw, viewpsw, shopid)
VALUES ('', '', '', '', '', '欢迎惠顾', 80, 0, '', '');

-- Both users start with the password 806 (stored scrambled).
INSERT INTO seller (seller, pass, admin, logintimes) VALUES ('店长', 'µ½»', 2, 0);
INSERT INTO seller (seller, pass, admin, logintimes) VALUES ('收银员', 'µ½»', 0, 0);
