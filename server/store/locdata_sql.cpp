#include "server/store/locdata_sql.h"

#include <cmath>
#include <cstring>
#include <iterator>

#include "common/fms_decode.h"
#include "common/text_format.h"

namespace {

bool Has(const LocationRecord& r, int bit) {
    return (r.present >> bit) & 1u;
}

// Column names and their values grow side by side, group by group.
class Row {
  public:
    // Room for a full line with FMS values, so that a row grows without
    // moving its text again and again.
    explicit Row(const SqlEscaper& escape) : m_escape(escape) {
        columns.reserve(480);
        values.reserve(960);
    }

    void Int(const char* column, long long value) {
        Column(column);
        values += ',';
        AppendDecimal(values, value);
    }
    void Unsigned(const char* column, unsigned long value) {
        Column(column);
        values += ',';
        AppendDecimal(values, static_cast<unsigned long long>(value));
    }
    void Real(const char* column, double value) {
        Column(column);
        values += ',';
        AppendFixed6(values, value);
    }
    void Text(const char* column, std::string_view text) {
        Column(column);
        values += ",'";
        values += m_escape(text);
        values += '\'';
    }
    void Hex(const char* column, const uint8_t* bytes, size_t count) {
        std::string text;
        AppendHexBytes(text, bytes, count);
        Text(column, text);
    }
    void Point(const char* lat, const char* latm, const char* lon, const char* lonm,
               const LocationPoint& p) {
        Int(lat, p.latituded);
        Real(latm, p.latitudem);
        Int(lon, p.longituded);
        Real(lonm, p.longitudem);
    }

    std::string columns;
    std::string values;

  private:
    void Column(const char* column) {
        columns += ',';
        columns += column;
    }
    const SqlEscaper& m_escape;
};

void AddPosition(Row& row, const LocationRecord& r) {
    bool fix = r.fixstat != 0;
    bool date = r.year != 0;
    row.Int("fixstat", fix ? r.fixstat : 0);
    row.Int("satuse", r.satuse);
    if (fix) {
        row.Int("latituded", r.latituded);
        row.Real("latitudem", r.latitudem);
        row.Int("longituded", r.longituded);
        row.Real("longitudem", r.longitudem);
        row.Real("altitude", r.altitude);
        row.Real("altref", r.altref);
        row.Real("cogt", r.cogt);
        row.Real("kph", r.kph);
    }
    row.Int("distance", r.distance);
    if (date) {
        row.Text("gpsdatetime", SqlGpsDateTime(r.year, r.month, r.day, r.time));
    }
    row.Int("antstat", r.antstat);
}

void AddFms(Row& row, const LocationRecord& r, const DecodeTable& table,
            std::vector<std::string>& namesLog, std::vector<std::string>& valuesLog) {
    row.Int("fmsstatus", r.fmsstatus);
    row.Int("fmsconfig", r.fmsconfig);
    row.Hex("fmsdata", r.fmsdata, kFmsDataLength);
    int config = r.fmsconfig;
    int count = FmsRuleCount(table, config);
    size_t entries = 1 + static_cast<size_t>(count > 0 ? count : 0);  // the count, then a rule each
    namesLog.reserve(namesLog.size() + entries);
    valuesLog.reserve(valuesLog.size() + entries);
    // Built by appending: these entries go out with every FMS line.
    std::string countEntry = "DecodeCount(";
    AppendDecimal(countEntry, static_cast<long long>(config));
    countEntry += ") = ";
    AppendDecimal(countEntry, static_cast<long long>(count));
    countEntry += '\n';
    namesLog.push_back(countEntry);
    valuesLog.push_back(std::move(countEntry));
    for (int i = 0; i < count; ++i) {
        const DecodeRule* rule = FmsRuleAt(table, config, i);
        if (rule == nullptr || !FmsRuleValid(*rule, r)) continue;
        double value = FmsRuleValue(*rule, r);
        std::string name = "DecodeName(";
        AppendDecimal(name, static_cast<long long>(i));
        name += ',';
        AppendDecimal(name, static_cast<long long>(config));
        name.append(") = ").append(rule->column).append(1, '\n');
        namesLog.push_back(std::move(name));
        std::string shown = "DecodeValue(";
        AppendDecimal(shown, static_cast<long long>(i));
        shown += ") = ";
        AppendDecimal(shown, static_cast<long long>(config));
        shown += ',';
        AppendFixed6(shown, value);
        shown += '\n';
        valuesLog.push_back(std::move(shown));
        if (rule->real_value == 1) {
            row.Real(rule->column, value);
        } else {
            row.Int(rule->column, FmsTruncated(value));
        }
    }
}

}  // namespace

namespace {

// "%04d-%02d-%02d %02d:%02d:%02d", built for every row without a format.
std::string DateTimeText(long long year, long long month, long long day, long long hour,
                         long long minute, long long second) {
    std::string out;
    out.reserve(19);
    AppendZeroPadded(out, year, 4);
    out += '-';
    AppendZeroPadded(out, month, 2);
    out += '-';
    AppendZeroPadded(out, day, 2);
    out += ' ';
    AppendZeroPadded(out, hour, 2);
    out += ':';
    AppendZeroPadded(out, minute, 2);
    out += ':';
    AppendZeroPadded(out, second, 2);
    return out;
}

}  // namespace

std::string SqlGpsDateTime(int year, int month, int day, int32_t time) {
    uint32_t t = static_cast<uint32_t>(time);
    return DateTimeText(year, month, day, t / 1000000, (t % 1000000) / 10000, (t % 10000) / 100);
}

std::string SqlDateTime(const std::tm& utc) {
    return DateTimeText(utc.tm_year + 1900LL, utc.tm_mon + 1LL, utc.tm_mday, utc.tm_hour,
                        utc.tm_min, utc.tm_sec);
}

LocdataStatement BuildLocdataInsert(const LocationRecord& r, uint32_t unitId, const std::tm& now,
                                    const DecodeTable& table, const SqlEscaper& escape) {
    Row row(escape);
    std::vector<std::string> namesLog;
    std::vector<std::string> valuesLog;

    if (Has(r, 0)) AddPosition(row, r);
    if (Has(r, 1)) {
        row.Int("rawdin", r.rawdin);
        row.Int("hidin", r.hidin);
        row.Int("lodin", r.lodin);
    }
    if (Has(r, 2)) {
        row.Real("val0", r.val0);
        row.Real("val1", r.val1);
        row.Real("val2", r.val2);
        row.Real("val3", r.val3);
    }
    if (Has(r, 3)) {
        row.Int("imp0", r.imp0);
        row.Int("imp1", r.imp1);
        row.Real("imp2", r.imp2);
        row.Real("imp3", r.imp3);
    }
    if (Has(r, 4)) {
        row.Int("valid", r.valid);
        if (r.valid != 0)
            row.Text("tagid", std::string_view(r.tagid, strnlen(r.tagid, kTagLength)));
    }
    if (Has(r, 5)) {
        row.Int("sig", r.sig);
        row.Int("network", r.network);
    }
    if (Has(r, 6)) {
        row.Int("seqno", r.seqno);
        row.Int("mem", r.mem);
        row.Int("frame", r.frame);
    }
    if (Has(r, 7)) row.Int("alarm", r.alarm);
    if (Has(r, 8)) {
        row.Int("fixstatd", r.fixstatd);
        if (r.fixstatd != 0) {
            row.Point("latituded0", "latitudem0", "longituded0", "longitudem0", r.points[0]);
            row.Point("latituded1", "latitudem1", "longituded1", "longitudem1", r.points[1]);
            row.Point("latituded2", "latitudem2", "longituded2", "longitudem2", r.points[2]);
            row.Point("latituded3", "latitudem3", "longituded3", "longitudem3", r.points[3]);
        }
    }
    if (Has(r, 9)) {
        row.Int("level0", r.level0);
        row.Int("level1", r.level1);
        row.Int("level2", r.level2);
    }
    if (Has(r, 10)) {
        row.Int("lac", r.lac);
        row.Int("ci", r.ci);
    }
    if (Has(r, 11)) {
        row.Int("tstat", r.tstat);
        if (r.tstat != 0) {
            row.Real("bat", r.bat);
            row.Real("pwr", r.pwr);
            row.Int("remrssi", r.remrssi);
            row.Int("locrssi", r.locrssi);
        }
    }
    if (Has(r, 12)) row.Unsigned("srvtime", r.srvtime);
    if (Has(r, 13)) row.Real("cogm", r.cogm);
    if (Has(r, 15)) {
        row.Int("s300stat", r.s300stat);
        const struct {
            const char *temp, *higro;
            float t;
            int32_t h;
        } sensors[] = {{"temp1", "higro1", r.temp1, r.higro1},
                       {"temp2", "higro2", r.temp2, r.higro2},
                       {"temp3", "higro3", r.temp3, r.higro3},
                       {"temp4", "higro4", r.temp4, r.higro4}};
        for (int k = 0; k < 4; ++k) {
            if (!((r.s300stat >> k) & 1)) continue;
            row.Real(sensors[k].temp, sensors[k].t);
            row.Int(sensors[k].higro, sensors[k].h);
        }
    }
    if (Has(r, 16)) {
        row.Real("temp", r.temp);
        row.Real("accx", r.accx);
        row.Real("accy", r.accy);
        row.Real("accz", r.accz);
    }
    if (Has(r, 18)) AddFms(row, r, table, namesLog, valuesLog);
    if (Has(r, 17)) row.Hex("fmsdataex", r.fmsdataex, kFmsDataExLength);
    if (Has(r, 19)) {
        row.Int("rfidstat", r.rfidstat);
        row.Int("direction", r.direction);
        row.Real("speed", r.speed);
    }
    if (Has(r, 20)) {
        row.Real("acc2x", r.acc2x);
        row.Real("acc2y", r.acc2y);
        row.Real("acc2z", r.acc2z);
        row.Int("brake", r.brake);
        row.Int("accel", r.accel);
        row.Int("corner", r.corner);
    }
    if (Has(r, 21)) {
        row.Int("valid2", r.valid2);
        if (r.valid2 != 0) {
            row.Text("tagid2", std::string_view(r.tagid2, strnlen(r.tagid2, kTagLength)));
        }
    }
    if (Has(r, 22)) {
        row.Int("route", r.route);
        const int32_t counters[] = {r.count0, r.count1, r.count2, r.count3, r.time0, r.time1,
                                    r.time2,  r.time3,  r.dist0,  r.dist1,  r.dist2, r.dist3};
        const char* names[] = {"count0", "count1", "count2", "count3", "time0", "time1",
                               "time2",  "time3",  "dist0",  "dist1",  "dist2", "dist3"};
        for (int i = 0; i < 12; ++i) row.Int(names[i], counters[i]);
    }
    if (Has(r, 23)) {
        const char* texts[] = {r.pressures, r.temperatures, r.alarms, r.flags, r.positions};
        const char* names[] = {"pressures", "temperatures", "alarms", "flags", "positions"};
        for (int i = 0; i < 5; ++i) {
            row.Text(names[i], std::string_view(texts[i], strnlen(texts[i], kTyreTextLength)));
        }
    }
    if (Has(r, 24)) row.Int("event", r.event);
    if (Has(r, 25)) {
        row.Int("ldwr", r.ldwr);
        row.Int("ldwl", r.ldwl);
        row.Int("ttc", r.ttc);
        row.Int("fcw", r.fcw);
    }
    if (Has(r, 26)) {
        row.Int("telltale", r.telltale);
        row.Int("totalfuel", r.totalfuel);
    }
    if (Has(r, 27)) {
        row.Int("freqstat", r.freqstat);
        row.Real("freq0", r.freq0);
        row.Real("freq1", r.freq1);
        row.Real("freq2", r.freq2);
        row.Real("freq3", r.freq3);
    }
    if (Has(r, 28)) {
        row.Int("kphstat", r.kphstat);
        row.Real("kph0", r.kph0);
        row.Real("kph1", r.kph1);
        row.Real("kph2", r.kph2);
        row.Real("kph3", r.kph3);
    }

    LocdataStatement out;
    out.sql.reserve(64 + row.columns.size() + row.values.size());
    out.sql = "insert into locdata(id,device_id,locdatetime";
    out.sql += row.columns;
    out.sql += ") values(DEFAULT,";
    AppendDecimal(out.sql, static_cast<unsigned long long>(unitId));
    out.sql += ",'";
    out.sql += SqlDateTime(now);
    out.sql += '\'';
    out.sql += row.values;
    out.sql += ')';
    out.decodeLog = std::move(namesLog);
    out.decodeLog.insert(out.decodeLog.end(), std::make_move_iterator(valuesLog.begin()),
                         std::make_move_iterator(valuesLog.end()));
    return out;
}
