// What each erase leaves on each recordable disc, confirmed by the emulated disc itself.
#include "support/Bench.h"

namespace {

struct Kind {
    const char* disc;
    int64_t trackHead;                // sectors a Quick Erase destroys at each track start
    std::vector<const char*> leadIn;  // areas in front of the data that every erase destroys
    std::vector<const char*> quickAlso;  // further areas a Quick Erase destroys completely
};

const Kind kKinds[] = {
    {"cd-r", 2256, {"lead-in"}, {}},
    {"cd-r-open", 2256, {"lead-in"}, {}},
    {"dvd-r", 2256, {"lead-in"}, {}},
    {"dvd+r", 2256, {"lead-in"}, {}},
    {"dvd-r-dl", 2256, {"lead-in"}, {}},
    {"dvd+r-dl", 2256, {"lead-in"}, {}},
    {"bd-r", 4096, {"inner-0"}, {"isa-0", "osa-0", "outer-0"}},
    {"bd-r-dl", 4096, {"inner-0"}, {"isa-0", "osa-0", "outer-0", "outer-1", "osa-1", "isa-1"}},
};

int64_t ReadableIn(emu::Disc& disc, const char* area) {
    int64_t n = 0;
    for (auto& r : disc.ReadableRuns(area)) n += r.count;
    return n;
}

// Readable sectors that hold recorded data: on a CD the program area also holds the lead-out
// behind a closed session, which is no user data.
int64_t ReadableUserSectors(emu::Disc& disc) {
    int64_t n = 0;
    for (auto& a : disc.Areas()) {
        if (!a.userData) continue;
        for (auto& r : disc.ReadableRuns(a.name)) {
            int64_t first = r.first, end = r.first + r.count;
            if (disc.Family() == emu::DiscFamily::Cd) end = std::min(end, disc.RecordedEnd());
            n += std::max<int64_t>(0, end - first);
        }
    }
    return n;
}

void EraseSuccessfully(Bench& b, bool quick) {
    ASSERT_TRUE(b.form->EraseDisc(quick));
    ASSERT_FALSE(b.view.dialogs.empty());
    EXPECT_EQ(b.view.dialogs.back().text, "The disc has been erased successfully !");
}

TEST(QuickErase, DestroysTheRegionInFrontAndEveryTrackStart) {
    for (auto& k : kKinds) {
        SCOPED_TRACE(k.disc);
        Bench b(std::string("range:") + k.disc);
        EraseSuccessfully(b, true);
        emu::Disc& disc = b.Disc();
        for (auto* area : k.leadIn) EXPECT_EQ(ReadableIn(disc, area), 0) << area;
        for (auto* area : k.quickAlso) EXPECT_EQ(ReadableIn(disc, area), 0) << area;
        for (auto& t : disc.Tracks()) {
            if (t.invisible) continue;
            int64_t head = std::min(k.trackHead, t.length);
            for (int64_t at : {int64_t(0), head / 2, head - 1}) EXPECT_FALSE(disc.IsLbaReadable(t.start + at)) << at;
            if (t.length > head) {
                EXPECT_TRUE(disc.IsLbaReadable(t.start + head));
            }
        }
    }
}

TEST(FullErase, DestroysEverythingRecordedAndTheRegionInFront) {
    for (auto& k : kKinds) {
        SCOPED_TRACE(k.disc);
        Bench b(std::string("range:") + k.disc);
        EraseSuccessfully(b, false);
        emu::Disc& disc = b.Disc();
        for (auto* area : k.leadIn) EXPECT_EQ(ReadableIn(disc, area), 0) << area;
        int64_t left = ReadableUserSectors(disc);
        // The data step of a two-layer DVD counts the recorded blocks along the spiral from the
        // start of the data area, so it spends the length of the two middle areas before it
        // reaches the end of the recorded data on layer 1.
        bool dvdTwoLayers = std::string(k.disc).rfind("dvd", 0) == 0 && disc.Layers() == 2;
        EXPECT_EQ(left, dvdTwoLayers ? 2 * disc.Config().middleSectors : 0);
    }
}

}  // namespace
