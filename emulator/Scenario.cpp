#include "emulator/Scenario.h"

#include <cctype>
#include <fstream>
#include <functional>
#include <limits>
#include <sstream>

#include <nlohmann/json.hpp>

namespace emu {

using nlohmann::json;

namespace {

const char* const kShortKinds = "range, whole, plain, cdrom, dvdrom, bdrom";

std::string Trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) b++;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) e--;
    return s.substr(b, e - b);
}

std::string DiscNames() {
    std::string s = "cd-r-open";
    for (const auto& k : AllDiscKinds()) s += std::string(", ") + k.name;
    return s;
}

// "1F", "0x1F", "1Fh" or decimal digits.
bool ParseNumberText(std::string t, int64_t& out) {
    t = Trim(t);
    int base = 10;
    if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
        t = t.substr(2);
        base = 16;
    } else if (t.size() > 1 && (t.back() == 'h' || t.back() == 'H')) {
        t.pop_back();
        base = 16;
    }
    if (t.empty()) return false;
    int64_t v = 0;
    for (char ch : t) {
        int d = std::isdigit(static_cast<unsigned char>(ch)) ? ch - '0'
              : (base == 16 && std::isxdigit(static_cast<unsigned char>(ch))) ? std::tolower(ch) - 'a' + 10
              : -1;
        if (d < 0 || v > (std::numeric_limits<int64_t>::max() - d) / base) return false;
        v = v * base + d;
    }
    out = v;
    return true;
}

class Reader {
public:
    Reader(std::string sourceName, std::string& errorText) : source(std::move(sourceName)), error(errorText) {}

    bool Fail(const std::string& path, const std::string& what) {
        error = source + ": " + path + ": " + what;
        return false;
    }

    bool Object(const json& v, const std::string& path) {
        return v.is_object() || Fail(path, "expected an object");
    }

    bool Keys(const json& obj, const std::string& path, std::initializer_list<const char*> allowed) {
        for (auto it = obj.begin(); it != obj.end(); ++it) {
            bool known = false;
            for (const char* k : allowed) known = known || it.key() == k;
            if (!known) return Fail(Join(path, it.key()), "unknown key");
        }
        return true;
    }

    static std::string Join(const std::string& path, const std::string& key) {
        return path.empty() ? key : path + "." + key;
    }

    bool Bool(const json& obj, const char* key, const std::string& path, bool& out) {
        if (!obj.contains(key)) return true;
        const json& v = obj[key];
        if (!v.is_boolean()) return Fail(Join(path, key), "expected true or false");
        out = v.get<bool>();
        return true;
    }

    bool Number(const json& v, const std::string& at, int64_t& out, int64_t min, int64_t max) {
        int64_t n = 0;
        if (v.is_number_integer()) n = v.get<int64_t>();
        else if (v.is_number_unsigned() && v.get<uint64_t>() <= uint64_t(std::numeric_limits<int64_t>::max())) n = int64_t(v.get<uint64_t>());
        else if (v.is_string() && ParseNumberText(v.get<std::string>(), n)) {}
        else return Fail(at, "expected a whole number (decimal, or hex as \"0x1F\" or \"1Fh\")");
        if (n < min || n > max) return Fail(at, "must be from " + std::to_string(min) + " to " + std::to_string(max));
        out = n;
        return true;
    }

    template <class T>
    bool Int(const json& obj, const char* key, const std::string& path, T& out, int64_t min, int64_t max) {
        if (!obj.contains(key)) return true;
        int64_t n = 0;
        if (!Number(obj[key], Join(path, key), n, min, max)) return false;
        out = T(n);
        return true;
    }

    bool Real(const json& obj, const char* key, const std::string& path, double& out) {
        if (!obj.contains(key)) return true;
        const json& v = obj[key];
        if (!v.is_number() || v.get<double>() <= 0) return Fail(Join(path, key), "expected a number above 0");
        out = v.get<double>();
        return true;
    }

    bool Text(const json& obj, const char* key, const std::string& path, std::string& out, size_t maxLength) {
        if (!obj.contains(key)) return true;
        const json& v = obj[key];
        if (!v.is_string()) return Fail(Join(path, key), "expected a string");
        if (v.get<std::string>().size() > maxLength)
            return Fail(Join(path, key), "longer than " + std::to_string(maxLength) + " characters");
        out = v.get<std::string>();
        return true;
    }

    template <class T>
    bool Choice(const json& obj, const char* key, const std::string& path,
                std::initializer_list<std::pair<const char*, T>> choices, T& out) {
        if (!obj.contains(key)) return true;
        const json& v = obj[key];
        std::string names;
        for (const auto& c : choices) {
            if (v.is_string() && v.get<std::string>() == c.first) {
                out = c.second;
                return true;
            }
            names += names.empty() ? c.first : std::string(", ") + c.first;
        }
        return Fail(Join(path, key), "expected one of " + names);
    }

    bool Msf(const json& obj, const char* key, const std::string& path, emu::Msf& out) {
        if (!obj.contains(key)) return true;
        const json& v = obj[key];
        int m = 0, s = 0, f = 0;
        char c1 = 0, c2 = 0;
        if (v.is_string()) {
            std::istringstream in(v.get<std::string>());
            if (!(in >> m >> c1 >> s >> c2 >> f) || c1 != ':' || c2 != ':' || !in.eof())
                return Fail(Join(path, key), "expected minutes:seconds:frames such as \"97:26:66\"");
        } else if (v.is_array() && v.size() == 3 && v[0].is_number_integer() && v[1].is_number_integer() && v[2].is_number_integer()) {
            m = v[0].get<int>();
            s = v[1].get<int>();
            f = v[2].get<int>();
        } else {
            return Fail(Join(path, key), "expected minutes:seconds:frames such as \"97:26:66\"");
        }
        if (m < 0 || m > 99 || s < 0 || s > 59 || f < 0 || f > 74)
            return Fail(Join(path, key), "minutes 0-99, seconds 0-59, frames 0-74");
        out = emu::Msf{m, s, f};
        return true;
    }

    bool Sense(const json& v, const std::string& at, FaultRule& rule) {
        int64_t part[3] = {};
        if (v.is_string()) {
            std::string t = v.get<std::string>();
            size_t a = t.find('/'), b = a == std::string::npos ? a : t.find('/', a + 1);
            if (b == std::string::npos || !ParseNumberText(t.substr(0, a), part[0]) ||
                !ParseNumberText(t.substr(a + 1, b - a - 1), part[1]) || !ParseNumberText(t.substr(b + 1), part[2]))
                return Fail(at, "expected key/ASC/ASCQ in hex, such as \"2/04h/01h\"");
        } else if (v.is_array() && v.size() == 3) {
            for (int i = 0; i < 3; i++)
                if (!Number(v[i], at + "[" + std::to_string(i) + "]", part[i], 0, 255)) return false;
        } else {
            return Fail(at, "expected key/ASC/ASCQ in hex, such as \"2/04h/01h\"");
        }
        if (part[0] > 15 || part[1] > 255 || part[2] > 255) return Fail(at, "sense key 0-Fh, ASC and ASCQ 0-FFh");
        rule.key = uint8_t(part[0]);
        rule.asc = uint8_t(part[1]);
        rule.ascq = uint8_t(part[2]);
        return true;
    }

private:
    std::string source;
    std::string& error;
};

void DefaultAddress(BayDrive& d, size_t index) {
    d.root = std::string(1, char('D' + index)) + ":\\";
    d.port = 1;
    d.pathId = 0;
    d.target = int16_t(index);
    d.lun = 0;
}

bool ReadSystem(Reader& r, const json& s, EmulatedSystemConfig& c) {
    const std::string p = "system";
    if (!r.Object(s, p) ||
        !r.Keys(s, p, {"family", "wow64", "isWow64ProcessExported", "aspi", "aspiIgnoresAbort", "performanceCounter",
                       "eventsFail", "versionBlock", "version", "statisticsKeys", "commandLatencyMicros"}))
        return false;
    bool ok = r.Choice<uint32_t>(s, "family", p, {{"nt", kPlatformWin32Nt}, {"older", kPlatformWin32Windows}}, c.platformId) &&
              r.Bool(s, "wow64", p, c.wow64) && r.Bool(s, "isWow64ProcessExported", p, c.hasIsWow64Process) &&
              r.Choice<AspiManagerState>(s, "aspi", p,
                                         {{"working", AspiManagerState::Working},
                                          {"missing", AspiManagerState::Missing},
                                          {"no-support-info-entry", AspiManagerState::NoSupportInfoEntry},
                                          {"no-send-command-entry", AspiManagerState::NoSendCommandEntry},
                                          {"status-no-manager", AspiManagerState::StatusNoManager},
                                          {"status-real-mode", AspiManagerState::StatusRealMode},
                                          {"status-old-manager", AspiManagerState::StatusOldManager},
                                          {"status-other", AspiManagerState::StatusOther}},
                                         c.aspi) &&
              r.Bool(s, "aspiIgnoresAbort", p, c.aspiIgnoresAbort) &&
              r.Bool(s, "performanceCounter", p, c.performanceCounter) && r.Bool(s, "eventsFail", p, c.eventsFail) &&
              r.Bool(s, "versionBlock", p, c.hasVersionBlock) && r.Bool(s, "statisticsKeys", p, c.statisticsKeys) &&
              r.Int(s, "commandLatencyMicros", p, c.commandLatencyMicros, 0, 60'000'000);
    if (!ok) return false;
    if (s.contains("version")) {
        int a = 0, b = 0, d = 0, e = 0;
        char x = 0, y = 0, z = 0;
        std::istringstream in(s["version"].is_string() ? s["version"].get<std::string>() : "");
        if (!(in >> a >> x >> b >> y >> d >> z >> e) || x != '.' || y != '.' || z != '.' || !in.eof() ||
            a < 0 || a > 65535 || b < 0 || b > 65535 || d < 0 || d > 65535 || e < 0 || e > 65535)
            return r.Fail("system.version", "expected four numbers such as \"1.2.1.0\"");
        c.versionMs = uint32_t(a) << 16 | uint32_t(b);
        c.versionLs = uint32_t(d) << 16 | uint32_t(e);
    }
    return true;
}

bool ReadDisc(Reader& r, const json& v, const std::string& p, DiscConfig& disc) {
    if (v.is_string()) {
        if (!ShortDiscConfig(v.get<std::string>(), disc)) return r.Fail(p, "unknown disc \"" + v.get<std::string>() + "\"; one of " + DiscNames());
        return true;
    }
    if (!r.Object(v, p) ||
        !r.Keys(v, p, {"kind", "appendable", "tracks", "appendGap", "leadInStart", "lastLeadOutStart", "atipSubType",
                       "pmaSectors", "leadOutSectors", "middleSectors", "layerSectors", "innerStartPsn", "dataStartPsn",
                       "isa0Clusters", "osaClusters", "isa1Clusters", "outerZoneSectors", "profile", "mediaWord",
                       "bookType", "erasable"}))
        return false;
    if (!v.contains("kind")) return r.Fail(Reader::Join(p, "kind"), "missing; one of " + DiscNames());
    if (!v["kind"].is_string() || !ShortDiscConfig(v["kind"].get<std::string>(), disc))
        return r.Fail(Reader::Join(p, "kind"), "unknown disc kind; one of " + DiscNames());
    constexpr int64_t big = int64_t(1) << 40;
    bool erasable = false;
    bool ok = r.Bool(v, "appendable", p, disc.appendable) && r.Int(v, "appendGap", p, disc.appendGap, 0, big) &&
              r.Msf(v, "leadInStart", p, disc.leadInStart) && r.Msf(v, "lastLeadOutStart", p, disc.lastLeadOutStart) &&
              r.Int(v, "atipSubType", p, disc.atipSubType, 0, 7) && r.Int(v, "pmaSectors", p, disc.pmaSectors, 0, big) &&
              r.Int(v, "leadOutSectors", p, disc.leadOutSectors, 0, big) &&
              r.Int(v, "middleSectors", p, disc.middleSectors, 0, big) &&
              r.Int(v, "layerSectors", p, disc.layerSectors, 1, big) &&
              r.Int(v, "innerStartPsn", p, disc.innerStartPsn, 0, 0x1FFFFFF) &&
              r.Int(v, "dataStartPsn", p, disc.dataStartPsn, 0, 0x1FFFFFF) &&
              r.Int(v, "isa0Clusters", p, disc.isa0Clusters, 0, big) && r.Int(v, "osaClusters", p, disc.osaClusters, 0, big) &&
              r.Int(v, "isa1Clusters", p, disc.isa1Clusters, 0, big) &&
              r.Int(v, "outerZoneSectors", p, disc.outerZoneSectors, 0, big) &&
              r.Int(v, "profile", p, disc.profile, 0, 0xFFFF) && r.Int(v, "mediaWord", p, disc.mediaWord, 0, 0xFFFF) &&
              r.Int(v, "bookType", p, disc.bookType, 0, 15) && r.Bool(v, "erasable", p, erasable);
    if (!ok) return false;
    if (v.contains("erasable")) disc.erasable = erasable ? 1 : 0;
    if (v.contains("tracks")) {
        const json& t = v["tracks"];
        const std::string tp = Reader::Join(p, "tracks");
        if (!t.is_array()) return r.Fail(tp, "expected a list of track lengths or {\"start\", \"length\"} objects");
        disc.tracks.clear();
        for (size_t i = 0; i < t.size(); i++) {
            const std::string ip = tp + "[" + std::to_string(i) + "]";
            TrackConfig track;
            if (t[i].is_object()) {
                if (!r.Keys(t[i], ip, {"start", "length"}) || !r.Int(t[i], "start", ip, track.start, 0, big) ||
                    !r.Int(t[i], "length", ip, track.length, 1, big))
                    return false;
                if (!t[i].contains("length")) return r.Fail(Reader::Join(ip, "length"), "missing");
            } else if (!r.Number(t[i], ip, track.length, 1, big)) {
                return false;
            }
            disc.tracks.push_back(track);
        }
    }
    return true;
}

bool ReadFaults(Reader& r, const json& v, const std::string& p, std::vector<FaultRule>& faults) {
    if (!v.is_array()) return r.Fail(p, "expected a list of faults");
    for (size_t i = 0; i < v.size(); i++) {
        const std::string fp = p + "[" + std::to_string(i) + "]";
        const json& f = v[i];
        FaultRule rule;
        if (!r.Object(f, fp) ||
            !r.Keys(f, fp, {"opcode", "subcode", "skip", "count", "whileErasing", "action", "sense"}) ||
            !r.Int(f, "opcode", fp, rule.opcode, 0, 255) || !r.Int(f, "subcode", fp, rule.subcode, 0, 255) ||
            !r.Int(f, "skip", fp, rule.skip, 0, 1'000'000) || !r.Int(f, "count", fp, rule.count, 0, 1'000'000) ||
            !r.Bool(f, "whileErasing", fp, rule.whileErasing) ||
            !r.Choice<FaultAction>(f, "action", fp,
                                   {{"sense", FaultAction::Sense},
                                    {"no-sense", FaultAction::CheckWithoutSense},
                                    {"busy", FaultAction::Busy},
                                    {"transport", FaultAction::TransportFailure},
                                    {"timeout", FaultAction::Timeout},
                                    {"vanish", FaultAction::Vanish}},
                                   rule.action))
            return false;
        if (!f.contains("action")) return r.Fail(Reader::Join(fp, "action"), "missing");
        if (rule.action == FaultAction::Sense) {
            if (!f.contains("sense")) return r.Fail(Reader::Join(fp, "sense"), "missing; the action \"sense\" needs it");
            if (!r.Sense(f["sense"], Reader::Join(fp, "sense"), rule)) return false;
        } else if (f.contains("sense")) {
            return r.Fail(Reader::Join(fp, "sense"), "only the action \"sense\" takes a sense");
        }
        faults.push_back(rule);
    }
    return true;
}

bool ReadDrive(Reader& r, const json& v, const std::string& p, size_t index, BayDrive& d) {
    if (!r.Object(v, p) ||
        !r.Keys(v, p, {"kind", "root", "port", "path", "target", "lun", "addressQueryFails", "addressLengthZero",
                       "openFails", "preset", "erase", "vendor", "product", "revision", "vendorSpecific", "serial",
                       "vendorMode", "vendorRevisionLength", "reads", "writes", "readBits", "writeBits", "features",
                       "dvdPlusRwWrite", "eraseSpeed", "eraseSetupMillis", "ignoreNoDataCommands",
                       "blockDescriptor", "pages", "labelPage", "vendorTrayOpenValue", "tray", "trayLoad",
                       "userPushesAfterRefusals", "trayMoveMillis", "spinUpMillis", "powerOnUnitAttention",
                       "locked", "persistentLocked", "disc", "faults"}))
        return false;
    DefaultAddress(d, index);
    ApplyShortDriveKind("range", d.drive);
    d.disc = DiscConfig{};
    DriveConfig& s = d.drive;
    if (v.contains("kind") && (!v["kind"].is_string() || !ApplyShortDriveKind(v["kind"].get<std::string>(), s)))
        return r.Fail(Reader::Join(p, "kind"), std::string("expected one of ") + kShortKinds);
    if (v.contains("preset")) {
        std::string names;
        for (const auto& n : DrivePresetNames()) names += (names.empty() ? "" : ", ") + n;
        if (!v["preset"].is_string() || !ApplyDrivePreset(v["preset"].get<std::string>(), s))
            return r.Fail(Reader::Join(p, "preset"), "expected one of " + names);
    }
    bool ok = r.Text(v, "root", p, d.root, 3) && r.Int(v, "port", p, d.port, 0, 255) &&
              r.Int(v, "path", p, d.pathId, 0, 255) && r.Int(v, "target", p, d.target, 0, 255) &&
              r.Int(v, "lun", p, d.lun, 0, 255) && r.Bool(v, "addressQueryFails", p, d.addressQueryFails) &&
              r.Bool(v, "addressLengthZero", p, d.addressLengthZero) && r.Bool(v, "openFails", p, d.openFails) &&
              r.Choice<EraseKind>(v, "erase", p, {{"range", EraseKind::Range}, {"whole", EraseKind::Whole}, {"none", EraseKind::None}}, s.erase) &&
              r.Text(v, "vendor", p, s.vendor, 8) && r.Text(v, "product", p, s.product, 16) &&
              r.Text(v, "revision", p, s.revision, 8) && r.Text(v, "vendorSpecific", p, s.vendorSpecific, 16) &&
              r.Text(v, "serial", p, s.serial, 64) && r.Bool(v, "vendorMode", p, s.vendorMode) &&
              r.Int(v, "readBits", p, s.readBits, 0, 255) && r.Int(v, "writeBits", p, s.writeBits, 0, 255) &&
              r.Int(v, "eraseSetupMillis", p, s.eraseSetupMillis, 0, 3'600'000) &&
              r.Bool(v, "ignoreNoDataCommands", p, s.ignoreNoDataCommands) &&
              r.Bool(v, "blockDescriptor", p, s.blockDescriptor) &&
              r.Choice<TrayLoad>(v, "trayLoad", p, {{"motor", TrayLoad::Motor}, {"manual", TrayLoad::Manual}}, s.trayLoad) &&
              r.Choice<bool>(v, "tray", p, {{"closed", false}, {"open", true}}, s.trayOpen) &&
              r.Int(v, "userPushesAfterRefusals", p, s.userPushesAfterRefusals, -1, 1000) &&
              r.Int(v, "trayMoveMillis", p, s.trayMoveMillis, 0, 60'000) &&
              r.Int(v, "spinUpMillis", p, s.spinUpMillis, 0, 3'600'000) &&
              r.Bool(v, "powerOnUnitAttention", p, s.powerOnUnitAttention) && r.Bool(v, "locked", p, s.locked) &&
              r.Bool(v, "persistentLocked", p, s.persistentLocked);
    if (!ok) return false;
    if (s.userPushesAfterRefusals == 0) return r.Fail(Reader::Join(p, "userPushesAfterRefusals"), "-1 (never) or 1 and above");
    if (v.contains("vendorRevisionLength")) {
        if (!r.Int(v, "vendorRevisionLength", p, s.vendorRevisionLength, 6, 8)) return false;
        if (s.vendorRevisionLength == 7) return r.Fail(Reader::Join(p, "vendorRevisionLength"), "6 or 8");
    }
    if (v.contains("vendorTrayOpenValue")) {
        if (!r.Int(v, "vendorTrayOpenValue", p, s.vendorTrayOpenValue, 1, 3)) return false;
        if (s.vendorTrayOpenValue == 2) return r.Fail(Reader::Join(p, "vendorTrayOpenValue"), "1 or 3");
    }
    if (v.contains("labelPage")) {
        if (v["labelPage"].is_null()) s.labelPage = 0;
        else if (!r.Int(v, "labelPage", p, s.labelPage, 0x20, 0x3E)) return false;
    }
    if (v.contains("reads")) {
        const json& x = v["reads"];
        const std::string xp = Reader::Join(p, "reads");
        if (!r.Object(x, xp) || !r.Keys(x, xp, {"cd", "dvd", "bd", "hddvd"}) || !r.Bool(x, "cd", xp, s.caps.readsCd) ||
            !r.Bool(x, "dvd", xp, s.caps.readsDvd) || !r.Bool(x, "bd", xp, s.caps.readsBd) ||
            !r.Bool(x, "hddvd", xp, s.caps.readsHdDvd))
            return false;
    }
    if (v.contains("writes")) {
        const json& x = v["writes"];
        const std::string xp = Reader::Join(p, "writes");
        if (!r.Object(x, xp) || !r.Keys(x, xp, {"cdR", "cdRw", "dvdDash", "dvdPlus", "dvdRam", "bd", "hddvd"}) ||
            !r.Bool(x, "cdR", xp, s.caps.writesCdR) || !r.Bool(x, "cdRw", xp, s.caps.writesCdRw) ||
            !r.Bool(x, "dvdDash", xp, s.caps.writesDvdDash) || !r.Bool(x, "dvdPlus", xp, s.caps.writesDvdPlus) ||
            !r.Bool(x, "dvdRam", xp, s.caps.writesDvdRam) || !r.Bool(x, "bd", xp, s.caps.writesBd) ||
            !r.Bool(x, "hddvd", xp, s.caps.writesHdDvd))
            return false;
    }
    if (v.contains("features")) {
        const json& x = v["features"];
        const std::string xp = Reader::Join(p, "features");
        if (!r.Object(x, xp) || !r.Keys(x, xp, {"2A", "2F", "40", "41", "50", "51"})) return false;
        std::pair<const char*, int*> map[] = {{"2A", &s.feature2A}, {"2F", &s.feature2F}, {"40", &s.feature40},
                                              {"41", &s.feature41}, {"50", &s.feature50}, {"51", &s.feature51}};
        for (auto& [key, field] : map) {
            bool on = false;
            if (!x.contains(key)) continue;
            if (!r.Bool(x, key, xp, on)) return false;
            *field = on ? 1 : 0;
        }
    }
    if (v.contains("dvdPlusRwWrite")) {
        bool on = false;
        if (!r.Bool(v, "dvdPlusRwWrite", p, on)) return false;
        s.dvdPlusRwWrite = on ? 1 : 0;
    }
    if (v.contains("eraseSpeed")) {
        const json& x = v["eraseSpeed"];
        const std::string xp = Reader::Join(p, "eraseSpeed");
        if (!r.Object(x, xp) || !r.Keys(x, xp, {"cd", "dvd", "bd", "hddvd"}) || !r.Real(x, "cd", xp, s.eraseSpeed.cd) ||
            !r.Real(x, "dvd", xp, s.eraseSpeed.dvd) || !r.Real(x, "bd", xp, s.eraseSpeed.bd) ||
            !r.Real(x, "hddvd", xp, s.eraseSpeed.hdDvd))
            return false;
    }
    if (v.contains("pages")) {
        const json& x = v["pages"];
        const std::string xp = Reader::Join(p, "pages");
        if (!r.Object(x, xp) || !r.Keys(x, xp, {"3C", "3D", "32"}) || !r.Bool(x, "3C", xp, s.page3C) ||
            !r.Bool(x, "3D", xp, s.page3D) || !r.Bool(x, "32", xp, s.page32))
            return false;
    }
    if ((s.labelPage == 0x3C && s.page3C) || (s.labelPage == 0x3D && s.page3D) || (s.labelPage == 0x32 && s.page32) ||
        s.labelPage == 0x2A)
        return r.Fail(Reader::Join(p, "labelPage"), "clashes with another mode page of the drive");
    if (v.contains("disc") && !ReadDisc(r, v["disc"], Reader::Join(p, "disc"), d.disc)) return false;
    if (v.contains("faults") && !ReadFaults(r, v["faults"], Reader::Join(p, "faults"), s.faults)) return false;
    std::shared_ptr<Disc> check;
    std::string why;
    if (!Disc::Create(d.disc, check, why)) return r.Fail(Reader::Join(p, "disc." + why.substr(0, why.find(':'))), why.substr(why.find(':') + 2));
    return true;
}

}  // namespace

bool ApplyShortDriveKind(const std::string& kind, DriveConfig& drive) {
    EraseKind erase = EraseKind::None;
    std::string preset = "bd";
    if (kind == "range") erase = EraseKind::Range;
    else if (kind == "whole") erase = EraseKind::Whole;
    else if (kind == "plain") erase = EraseKind::None;
    else if (kind == "cdrom") preset = "cd-rom";
    else if (kind == "dvdrom") preset = "dvd-rom";
    else if (kind == "bdrom") preset = "bd-rom";
    else return false;
    drive = DriveConfig{};
    ApplyDrivePreset(preset, drive);
    drive.erase = erase;
    // The maker's writers read HD DVD as well, so such a disc is named rather than unreadable.
    if (preset == "bd") drive.caps.readsHdDvd = true;
    return true;
}

bool ShortDiscConfig(const std::string& name, DiscConfig& disc) {
    DiscKind kind = DiscKind::None;
    if (name == "cd-r-open") {
        disc = DefaultDiscConfig(DiscKind::CdR);
        disc.appendable = true;
        return true;
    }
    if (!DiscKindFromName(name, kind)) return false;
    disc = DefaultDiscConfig(kind);
    return true;
}

bool ParseShortScenario(const std::string& text, Scenario& scenario, std::string& error) {
    Scenario out;
    out.source = text;
    const std::string where = "scenario \"" + text + "\"";
    std::vector<std::string> items;
    if (!Trim(text).empty()) {
        std::string item;
        std::istringstream in(text);
        while (std::getline(in, item, ',')) items.push_back(Trim(item));
        if (!text.empty() && text.back() == ',') items.push_back("");
    }
    if (items.size() > kMaxBayDrives) {
        error = where + ": " + std::to_string(items.size()) + " drives; a bay holds at most 16";
        return false;
    }
    for (size_t i = 0; i < items.size(); i++) {
        const std::string at = where + ": drive " + std::to_string(i + 1) + " (\"" + items[i] + "\")";
        size_t colon = items[i].find(':');
        if (colon == std::string::npos) {
            error = at + ": expected KIND:DISC";
            return false;
        }
        BayDrive d;
        DefaultAddress(d, i);
        const std::string kind = Trim(items[i].substr(0, colon)), disc = Trim(items[i].substr(colon + 1));
        if (!ApplyShortDriveKind(kind, d.drive)) {
            error = at + ": unknown drive kind \"" + kind + "\"; one of " + kShortKinds;
            return false;
        }
        if (!ShortDiscConfig(disc, d.disc)) {
            error = at + ": unknown disc \"" + disc + "\"; one of " + DiscNames();
            return false;
        }
        out.drives.push_back(d);
    }
    scenario = out;
    return true;
}

bool ParseScenarioJson(const std::string& text, const std::string& sourceName, Scenario& scenario, std::string& error) {
    json doc;
    try {
        doc = json::parse(text);
    } catch (const json::exception& e) {
        error = sourceName + ": not valid JSON: " + e.what();
        return false;
    }
    Reader r(sourceName, error);
    if (!doc.is_object()) return r.Fail("(top level)", "expected an object with \"system\" and \"drives\"");
    if (!r.Keys(doc, "", {"system", "drives"})) return false;
    Scenario out;
    out.source = sourceName;
    if (doc.contains("system") && !ReadSystem(r, doc["system"], out.system)) return false;
    if (doc.contains("drives")) {
        const json& drives = doc["drives"];
        if (!drives.is_array()) return r.Fail("drives", "expected a list of drives");
        if (drives.size() > kMaxBayDrives)
            return r.Fail("drives", std::to_string(drives.size()) + " drives; a bay holds at most 16");
        for (size_t i = 0; i < drives.size(); i++) {
            BayDrive d;
            if (!ReadDrive(r, drives[i], "drives[" + std::to_string(i) + "]", i, d)) return false;
            out.drives.push_back(d);
        }
    }
    scenario = out;
    return true;
}

bool LoadScenarioFile(const std::string& path, Scenario& scenario, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": cannot be opened";
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return ParseScenarioJson(text.str(), path, scenario, error);
}

bool LoadScenario(const std::string& nameOrPath, Scenario& scenario, std::string& error) {
    const std::string suffix = ".json";
    if (nameOrPath.size() >= suffix.size() && nameOrPath.compare(nameOrPath.size() - suffix.size(), suffix.size(), suffix) == 0)
        return LoadScenarioFile(nameOrPath, scenario, error);
    return ParseShortScenario(nameOrPath, scenario, error);
}

bool BuildBay(const Scenario& scenario, Bay& bay, std::string& error) {
    Bay out;
    out.config = scenario.system;
    for (size_t i = 0; i < scenario.drives.size(); i++) {
        const BayDrive& d = scenario.drives[i];
        std::shared_ptr<Disc> disc;
        std::string why;
        if (!Disc::Create(d.disc, disc, why)) {
            error = scenario.source + ": drives[" + std::to_string(i) + "].disc." + why;
            return false;
        }
        auto model = std::make_shared<MmcDrive>(d.drive, disc);
        EmulatedDrive e;
        e.root = d.root;
        e.port = d.port;
        e.pathId = d.pathId;
        e.target = d.target;
        e.lun = d.lun;
        e.addressQueryFails = d.addressQueryFails;
        e.addressLengthZero = d.addressLengthZero;
        e.openFails = d.openFails;
        e.model = model;
        out.drives.push_back(e);
        out.models.push_back(model);
    }
    bay = out;
    return true;
}

std::unique_ptr<EmulatedSystem> MakeEmulatedSystem(const Bay& bay, std::shared_ptr<Clock> clock) {
    auto system = std::make_unique<EmulatedSystem>(bay.config, std::move(clock));
    for (const auto& d : bay.drives) system->AddDrive(d);
    return system;
}

}  // namespace emu
