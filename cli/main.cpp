// nullburn-cli: the erase workflow of the window, on a terminal.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "Version.h"
#include "app/FrmMain.h"
#include "cli/CommandTrace.h"
#include "cli/TextView.h"
#include "platform/emulated/Bay.h"
#include "erase/Verify.h"
#include "platform/RealSystem.h"
#ifdef NULLBURN_HAVE_ISCSI
#include "platform/iscsi/IscsiSystem.h"
#endif

namespace {

constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitNoDrive = 3;

const char* const kHelp =
    "nullburn-cli " NULLBURN_VERSION_TEXT " - make the data on a recorded CD-R, DVD+-R or BD-R unreadable\n"
    "\n"
    "Usage: nullburn-cli [options] COMMAND\n"
    "\n"
    "Commands:\n"
    "  list       print the drive list, one row per drive, as the window shows it\n"
    "  identify   print the media code and name of the disc in the selected drive\n"
    "  quick      Quick Erase: the region in front of the data and the first sectors of\n"
    "             every track (on BD also the areas behind the user data)\n"
    "  full       Full Erase: everything recorded, and the region in front of it\n"
    "  verify     read the recorded data back and count the sectors still readable\n"
    "\n"
    "Options:\n"
    "  --drive N          use row N of the drive list (default 0)\n"
    "  --device URI       use the one drive this URI names instead of the local drives:\n"
    "                     iscsi://HOST[:PORT]/TARGET-IQN/LUN, a logical unit of an iSCSI\n"
    "                     target (port 3260 unless given); the list shows it as \"iscsi\"\n"
    "  --emulate SCENARIO use the emulated drive bay instead of real drives: a short\n"
    "                     scenario such as range:dvd+r,cdrom:none,whole:cd-r, or a\n"
    "                     scenario file (see docs/emulator.md); time is virtual\n"
    "  --yes              answer the erase confirmation with OK (required without a terminal)\n"
    "  --verify           after a successful quick or full erase, run verify\n"
    "  --every N          verify every Nth sector of the recorded area (default 1024;\n"
    "                     1 reads everything)\n"
    "  --json             print list and identify as JSON\n"
    "  --trace FILE       write one line per command sent to FILE\n"
    "  --help             show this text\n"
    "\n"
    "Exit codes: 0 done, 1 the operation failed (no disc, an error, a cancelled or\n"
    "incomplete erase, readable sectors after an erase), 2 bad usage, 3 no drive.\n"
    "\n"
    "Examples:\n"
    "  nullburn-cli list\n"
    "  nullburn-cli --drive 1 identify\n"
    "  nullburn-cli --device iscsi://192.0.2.7/iqn.2004-01.org.example:cd/1 identify\n"
    "  nullburn-cli --emulate range:bd-r-dl full --yes --verify\n"
    "  nullburn-cli --emulate whole:cd-r --trace commands.txt quick --yes\n"
    "\n"
    "Verification shows only that this drive can no longer read the data through standard\n"
    "commands. A sample is not proof; for sensitive data, physical destruction of the disc\n"
    "is still the recommended method.\n";

struct Options {
    std::string command;
    std::string emulate;
    std::string device;
    std::string traceFile;
    int drive = 0;
    uint32_t every = 1024;
    bool yes = false;
    bool verify = false;
    bool json = false;
};

int Usage(const std::string& message) {
    std::fprintf(stderr, "nullburn-cli: %s (try --help)\n", message.c_str());
    return kExitUsage;
}

bool ParseNumber(const char* text, long min, long max, long* value) {
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(text, &end, 10);
    if (errno || !end || *end || end == text || v < min || v > max) return false;
    *value = v;
    return true;
}

std::string JsonString(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') out += '\\', out += c;
        else if (static_cast<unsigned char>(c) < 0x20) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
        } else out += c;
    }
    return out + "\"";
}

int PrintVerify(AtapiDevice& device, uint32_t every) {
    VerifyReport r = VerifyDisc(device, every);
    if (r.trayOpen || r.noDisc || r.notReady) {
        std::printf("Verify: nothing was checked: %s\n",
                    r.trayOpen  ? "the tray is open and the drive cannot close it; push it in and run verify again."
                    : r.noDisc ? "the drive reports no disc. Either the tray is empty, or the drive no longer "
                                 "recognises the erased disc; neither shows that the data is gone."
                               : "the drive did not become ready within 120 seconds.");
        return kExitFailed;
    }
    if (!r.structureReadable) {
        std::printf("Verify: the drive can no longer read the disc's structure (no disc or track "
                    "information); no sector counts as readable.\n");
    } else {
        std::printf("Verify: %llu of %llu sectors tried are still readable (%u tracks, recorded area of %llu "
                    "blocks, every %u).\n",
                    (unsigned long long)r.readable, (unsigned long long)r.tried, r.tracks,
                    (unsigned long long)r.recordedEnd, every);
    }
    std::printf("%s\n", kVerifyDisclaimer);
    return r.readable == 0 ? kExitDone : kExitFailed;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; i++) {
        std::string a = argv[i];
        auto value = [&](const char* name) -> const char* {
            if (i + 1 >= argc) return nullptr;
            return argv[++i];
        };
        if (a == "--help" || a == "-h") {
            std::fputs(kHelp, stdout);
            return kExitDone;
        } else if (a == "--yes") o.yes = true;
        else if (a == "--verify") o.verify = true;
        else if (a == "--json") o.json = true;
        else if (a == "--drive" || a == "--every" || a == "--emulate" || a == "--device" ||
                   a == "--trace") {
            const char* v = value(a.c_str());
            if (!v) return Usage(a + " needs a value");
            long n = 0;
            if (a == "--drive") {
                if (!ParseNumber(v, 0, kMaxDrives - 1, &n)) return Usage("--drive takes a row number from 0 to 15");
                o.drive = int(n);
            } else if (a == "--every") {
                if (!ParseNumber(v, 1, 1L << 30, &n)) return Usage("--every takes a whole number of 1 or more");
                o.every = uint32_t(n);
            } else if (a == "--emulate") o.emulate = v;
            else if (a == "--device") o.device = v;
            else o.traceFile = v;
        } else if (!a.empty() && a[0] == '-') {
            return Usage("unknown option " + a);
        } else if (o.command.empty()) {
            o.command = a;
        } else {
            return Usage("unexpected argument " + a);
        }
    }
    if (o.command.empty()) return Usage("no command given");
    bool erase = o.command == "quick" || o.command == "full";
    if (!erase && o.command != "list" && o.command != "identify" && o.command != "verify")
        return Usage("unknown command " + o.command);
    if (o.verify && !erase) return Usage("--verify goes with quick or full");
    bool interactive = IsTerminal(stdin);
    // Nobody can confirm: refuse before anything is sent to a drive.
    if (erase && !o.yes && !interactive)
        return Usage("erasing needs a terminal to confirm on, or --yes");

    std::unique_ptr<System> system;
    std::string error;
    if (!o.emulate.empty() && !o.device.empty()) return Usage("--emulate and --device exclude each other");
    if (!o.emulate.empty()) system = CreateEmulatedBay(o.emulate, error);
    else if (!o.device.empty()) {
#ifdef NULLBURN_HAVE_ISCSI
        system = CreateIscsiSystem(o.device, error);
#else
        return Usage("--device needs a build with iSCSI (libiscsi)");
#endif
    } else system = CreateRealSystem(error);
    if (!system) {
        std::fprintf(stderr, "nullburn-cli: %s\n", error.c_str());
        // A malformed scenario or URI is bad usage; a real system that cannot start is a failure.
        return o.emulate.empty() && o.device.empty() ? kExitFailed : kExitUsage;
    }

    FILE* trace = nullptr;
    if (!o.traceFile.empty()) {
        trace = std::fopen(o.traceFile.c_str(), "w");
        if (!trace) return Usage("cannot write the trace file " + o.traceFile + ": " + std::strerror(errno));
    }
    CommandTrace tracer(trace);

    TextView view(o.yes, interactive);
    view.printStatus = erase || o.command == "verify";
    int result = kExitDone;
    {
        TfrmMain form(*system, view);
        if (trace) form.SetCommandObserver(&tracer);
        form.FormCreate();
        AtapiDevice* device = form.Device();
        if (view.Terminated() || !device) {
            result = kExitNoDrive;
        } else if (o.drive >= view.DriveRowCount()) {
            result = Usage("there is no drive row " + std::to_string(o.drive));
        } else {
            if (o.drive != 0) {
                view.SetDriveItemIndex(o.drive);
                form.cboDrivesChange();
            }
            std::string row = view.Rows()[size_t(o.drive)];
            if (o.command == "list") {
                if (o.json) {
                    std::printf("[");
                    for (int r = 0; r < view.DriveRowCount(); r++) {
                        const DriveRecord* d = device->GetDrive(unsigned(form.DriveOfRow(r)));
                        std::printf("%s\n  {\"row\": %s, \"type\": %s, \"typeCode\": %u, \"writesCdR\": %s}",
                                    r ? "," : "", JsonString(view.Rows()[size_t(r)]).c_str(),
                                    JsonString(AtapiDevice::DriveTypeName(d->typeCode)).c_str(), d->typeCode,
                                    d->writesCdR ? "true" : "false");
                    }
                    std::printf("\n]\n");
                } else {
                    for (auto& r : view.Rows()) std::printf("%s\n", r.c_str());
                }
            } else if (o.command == "identify") {
                MediaCode m = device->IdentifyMedia(0);
                if (o.json)
                    std::printf("{\"drive\": %s, \"code\": %u, \"name\": %s}\n", JsonString(row).c_str(), m,
                                JsonString(AtapiDevice::MediaName(m)).c_str());
                else std::printf("%u %s\n", m, AtapiDevice::MediaName(m));
                result = m == 0 ? kExitFailed : kExitDone;
            } else if (o.command == "verify") {
                result = PrintVerify(*device, o.every);
            } else {
                view.describeTarget = [&] {
                    return "Drive: " + row + "\nDisc:  " + AtapiDevice::MediaName(form.CheckedMedia());
                };
                bool erased = form.EraseDisc(o.command == "quick");
                result = erased ? kExitDone : kExitFailed;
                if (erased && o.verify) result = PrintVerify(*device, o.every);
            }
        }
    }
    if (trace) std::fclose(trace);
    return result;
}
