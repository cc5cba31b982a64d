#include "datefix/SalesTables.h"

#include "db/SqlQuote.h"

namespace datefix {

using db::SqlQuote;

namespace {

constexpr const char* kStampedColumns = "Sal_Seq, Substring(Upd_Dt from 11 for 9) Upd_Dt";

// Completes "substring(<stamp>" to the test that the stamp begins with a date YYYY-MM-DD: month
// 01 to 12, day 01 to 31. The hyphens stand in brackets: a bare "-" is special in SIMILAR TO.
constexpr const char* kDateShape =
    " from 1 for 10) similar to '[0-9]{4}[-](0[1-9]|1[0-2])[-](0[1-9]|[12][0-9]|3[01])' ";

}  // namespace

const std::array<SingleDateTable, 20> kSingleDateTables = {{
    {"OS_Order", "Sal_Seq, Substring(Upd_Dt from 11 for 9) Upd_Dt, Tbl_Sal_Seq", "Upd_Dt",
     "Sal_Seq", "OS_ORDER->", true},
    {"OS_Order_h", kStampedColumns, "Upd_Dt", "Sal_Seq", "OS_Order_h->", false},
    {"os_order_setitem", kStampedColumns, "Upd_Dt", "Sal_Seq", "os_order_setitem->", false},
    {"OS_MASTER", kStampedColumns, "Upd_Dt", "Sal_Seq", "OS_MASTER->", false},
    {"OS_PAY", kStampedColumns, "Upd_Dt", "Sal_Seq", "OS_PAY->", false},
    {"OS_PAY_INFO", "Sal_Seq", nullptr, "Sal_Seq", "OS_PAY_INFO->", false},
    {"os_order_tbl_seq", "Sal_Seq", "Reg_Dt", "Sal_Seq", "os_order_tbl_seq->", false},
    {"cs_master", "bill_no", "Upd_Dt", "bill_no", "cs_master->", false},
    {"CS_BALANCE", "Sal_Seq", "Upd_Dt", "Sal_Seq", "CS_BALANCE->", false},
    {"MS_POINT_DETAIL", "Sal_Seq", "Upd_Dt", "Sal_Seq", "MS_POINT_DETAIL->", false},
    {"OS_ASSOCIATES", "Sal_Seq", "Upd_Dt", "Sal_Seq", "OS_ASSOCIATES->", false},
    {"OS_FISHING_GAME", "Sal_Seq", "Upd_Dt", "Sal_Seq", "OS_FISHING_GAME->", false},
    {"OS_MOBILE_PAY", "Sal_Seq", "Upd_Dt", "Sal_Seq", "OS_MOBILE_PAY->", false},
    {"OS_TAXPAY", "Sal_Seq", "Upd_Dt", "Sal_Seq", "OS_TAXPAY->", false},
    {"OS_ETC_INWON", "Sal_Seq", nullptr, "Sal_Seq", "OS_ETC_INWON->", false},
    {"OS_ETC_INWON_PAY", "Sal_Seq", nullptr, "Sal_Seq", "OS_ETC_INWON_PAY->", false},
    {"OS_INWON_DETAIL", "Sal_Seq", nullptr, "Sal_Seq", "OS_INWON_DETAIL->", false},
    {"OS_LSTICKET_APV_BARCODE", "Sal_Seq", nullptr, "Sal_Seq", "OS_LSTICKET_APV_BARCODE->", false},
    {"OS_LSTICKET_APV_DETAIL", "Sal_Seq", nullptr, "Sal_Seq", "OS_LSTICKET_APV_DETAIL->", false},
    {"OS_LSTICKET_APV_HEAD", "Sal_Seq", nullptr, "Sal_Seq", "OS_LSTICKET_APV_HEAD->", false},
}};

const std::array<RealignTable, 20> kRealignTables = {{
    {"os_pay_info", nullptr},
    {"OS_LSTICKET_APV_HEAD", nullptr},
    {"OS_LSTICKET_APV_DETAIL", nullptr},
    {"OS_LSTICKET_APV_BARCODE", nullptr},
    {"OS_INWON_DETAIL", nullptr},
    {"OS_ETC_INWON_PAY", nullptr},
    {"OS_ETC_INWON", nullptr},
    {"os_order", "upd_dt"},
    {"os_order_h", "upd_dt"},
    {"os_pay", "upd_dt"},
    {"os_master", "upd_dt"},
    {"os_order_setitem", "upd_dt"},
    {"os_order_tbl_seq", "reg_dt"},
    {"cs_master", "upd_dt"},
    {"CS_BALANCE", "upd_dt"},
    {"MS_POINT_DETAIL", "upd_dt"},
    {"OS_ASSOCIATES", "upd_dt"},
    {"OS_FISHING_GAME", "upd_dt"},
    {"OS_MOBILE_PAY", "upd_dt"},
    {"OS_TAXPAY", "upd_dt"},
}};

// The statements are written one fragment per line, as they are sent; the formatter would split
// them mid-phrase.
// clang-format off

std::string TargetCountSql(const std::string& table, const std::string& targetDate) {
    return " Select count(*) cnt From " + table +
           "  Where Sal_Ymd = " + SqlQuote(targetDate) +
           " ";
}

std::string TargetKeysSql(const SingleDateTable& table, const std::string& targetDate) {
    return std::string(" Select distinct ") + table.key +
           " From " + table.name +
           "  Where Sal_Ymd = " + SqlQuote(targetDate) +
           " ";
}

std::string SelectionSql(const SingleDateTable& table, const std::string& wrongDate) {
    return std::string(" Select ") + table.columns +
           " From " + table.name +
           "  Where Sal_Ymd = " + SqlQuote(wrongDate) +
           " ";
}

std::string RowUpdateSql(const SingleDateTable& table, const std::string& targetDate,
                         const std::string& targetDashed, const std::string& wrongDate,
                         const std::string& key, const std::string& tblSalSeq) {
    std::string sql = std::string(" Update ") + table.name +
                      " Set   Sal_Ymd = " + SqlQuote(targetDate);
    if (table.stamp) {
        // The database builds each row's stamp from the row itself: the target date, then the
        // row's own separator and time of day (characters 11 to 19), or the date alone when the
        // stamp is null or has no time part.
        const std::string column = table.stamp;
        sql += ", ";
        sql += " " + column + " = " + SqlQuote(targetDashed) +
               " || coalesce(substring(" + column + " from 11 for 9), '')";
    }
    sql += " ";
    sql += " Where Sal_Ymd = " + SqlQuote(wrongDate);
    sql += " ";
    sql += std::string(" And ") + table.key + " = " + SqlQuote(key) + " ";
    if (table.tblSalSeq) sql += " And Tbl_Sal_Seq = " + SqlQuote(tblSalSeq) + " ";
    return sql;
}

std::string RegisterUpdateSql(const std::string& targetDate, const std::string& wrongDate) {
    return " Update OC_REGISTER Set   Sal_Ymd = " + SqlQuote(targetDate) +
           " " +
           " Where Sal_Ymd = " + SqlQuote(wrongDate) +
           " ";
}

std::string SpanSql(const std::string& fromDate, const std::string& toDate) {
    return " select min(upd_dt)sal_ymd1, max(upd_dt)sal_ymd2  from (  select replace(substring(upd_dt from 1 for 10), '-', '') upd_dt from os_master  where sal_ymd between " +
           SqlQuote(fromDate) +
           " and " +
           SqlQuote(toDate) +
           " " +
           " and sal_ymd <> replace(substring(upd_dt from 1 for 10), '-', '') " +
           " and substring(upd_dt" + kDateShape +
           " group by replace(substring(upd_dt from 1 for 10), '-', '') " +
           " ) ";
}

std::string SpanCountSql(const std::string& first, const std::string& last) {
    return " Select Count(*) cnt From OS_Master  where sal_ymd between " + SqlQuote(first) +
           " and " + SqlQuote(last) +
           " ";
}

std::string RealignSql(const RealignTable& table, const std::string& fromDate,
                       const std::string& toDate) {
    const std::string range = SqlQuote(fromDate) + " and " + SqlQuote(toDate) + " ";
    if (!table.stamp) {
        return " update " + std::string(table.name) + " a     set a.sal_ymd = replace(substring((select c.upd_dt from os_master c  where c.sal_ymd = a.sal_ymd and c.sal_seq = a.sal_seq) from 1 for 10), '-', '')   where sal_ymd between " +
               range +
               "    and exists ( select b.sal_seq from os_master b " +
               "                  where b.sal_ymd between " +
               range +
               "                    and b.sal_ymd <> replace(substring(b.upd_dt from 1 for 10), '-', '') " +
               "                    and substring(b.upd_dt" + kDateShape +
               "                    and b.sal_ymd = a.sal_ymd " +
               "                    and b.sal_seq = a.sal_seq " +
               "               ) ";
    }
    const std::string stamp = table.stamp;
    return " update " + std::string(table.name) + "     set sal_ymd = replace(substring(" + stamp + " from 1 for 10), '-', ''),         " + stamp + " = substring(" + stamp + " from 1 for 11) || substring(" + stamp + " from 12 for 8)   where sal_ymd between " +
           range +
           "    and sal_ymd <> replace(substring(" + stamp + " from 1 for 10), '-', '') " +
           "    and substring(" + stamp + kDateShape;
}

std::string KeptBackCountSql(const std::string& fromDate, const std::string& toDate) {
    const std::string range = SqlQuote(fromDate) + " and " + SqlQuote(toDate) + " ";
    std::string sql = " select 0";
    for (const RealignTable& table : kRealignTables) {
        if (!table.stamp) continue;
        const std::string stamp = table.stamp;
        sql += " + (select count(*) from " + std::string(table.name) +
               " where sal_ymd between " + range +
               " and sal_ymd <> replace(substring(" + stamp + " from 1 for 10), '-', '') " +
               " and not substring(" + stamp + kDateShape + ")";
    }
    return sql + " cnt from rdb$database ";
}

// clang-format on

}  // namespace datefix
