// Allocation lengths: the drive returns the whole answer or as much of it as asked, never
// more, and says how much it really moved; the length fields still describe the whole answer.
#include "DriveHarness.h"

namespace emu::test {
namespace {

struct AnswerCase {
    const char* name;
    const char* disc;
    Cdb (*cdb)(uint16_t allocation);
    uint32_t full;
    size_t lengthField;   // offset of the answer's own length field
    int lengthBytes;      // 2 or 4; 0 for answers without one
    uint32_t lengthValue; // what it counts: full - (its own size)
};

std::ostream& operator<<(std::ostream& out, const AnswerCase& c) { return out << c.name; }

class Allocation : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(Allocation, NeverMoreThanAskedAndTheLengthFieldStaysWhole) {
    const AnswerCase& c = GetParam();
    for (uint32_t allocation : {c.full + 100, c.full, c.full - 1, 8u, 1u, 0u}) {
        Harness h = Harness::Of("range", c.disc);
        h.Send(c.cdb(uint16_t(allocation)), allocation);
        ASSERT_EQ(Describe(h.last), "good") << c.name << " " << allocation;
        const uint32_t expected = std::min(allocation, c.full);
        EXPECT_EQ(h.last.transferred, expected) << c.name << " " << allocation;
        for (size_t i = expected; i < allocation; i++) ASSERT_EQ(h.data[i], 0xEE) << c.name << " byte " << i;
        if (c.lengthBytes && expected >= c.lengthField + c.lengthBytes) {
            uint32_t v = c.lengthBytes == 2 ? h.Be16(c.lengthField) : h.Be32(c.lengthField);
            EXPECT_EQ(v, c.lengthValue) << c.name << " " << allocation;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, Allocation,
    ::testing::Values(
        AnswerCase{"Inquiry", "dvd+r", [](uint16_t n) { return Inquiry(uint8_t(std::min<uint16_t>(n, 255))); }, 96, 0, 0, 0},
        AnswerCase{"RequestSense", "dvd+r", [](uint16_t n) { return RequestSense(uint8_t(std::min<uint16_t>(n, 255))); }, 18, 0, 0, 0},
        AnswerCase{"ModeSense2A", "dvd+r", [](uint16_t n) { return ModeSense(0x2A, n); }, 38, 0, 2, 36},
        AnswerCase{"GetConfiguration", "dvd+r", [](uint16_t n) { return GetConfiguration(2, 0x0041, n); }, 8 + 24, 0, 4, 28},
        AnswerCase{"EventStatus", "dvd+r", [](uint16_t n) { return EventStatus(0x10, n); }, 8, 0, 2, 6},
        AnswerCase{"DiscInformation", "dvd+r", [](uint16_t n) { return DiscInformation(n); }, 34, 0, 2, 32},
        AnswerCase{"TrackInformation", "dvd+r", [](uint16_t n) { return TrackInformation(1, n); }, 48, 0, 2, 46},
        AnswerCase{"DvdPhysicalFormat", "dvd+r", [](uint16_t n) { return DiscStructure(0, 0, n); }, 2052, 0, 2, 2050},
        AnswerCase{"BdDiscInformation", "bd-r", [](uint16_t n) { return DiscStructure(1, 0, n); }, 4100, 0, 2, 4098},
        AnswerCase{"BdDds", "bd-r", [](uint16_t n) { return DiscStructure(1, 8, n); }, 2052, 0, 2, 2050},
        AnswerCase{"Atip", "cd-r", [](uint16_t n) { return ReadToc(true, 4, n); }, 28, 0, 2, 26},
        AnswerCase{"Toc", "cd-r", [](uint16_t n) { return ReadToc(false, 0, n); }, 4 + 16, 0, 2, 18}));

TEST(Allocation, ASmallerHostBufferLimitsTheTransfer) {
    Harness h = Harness::Of("range", "bd-r");
    ScsiCommand c;
    const uint8_t cdb[] = {0xAD, 0x01, 0, 0, 0, 0, 0, 0x00, 0x10, 0x04};
    std::copy(std::begin(cdb), std::end(cdb), c.cdb);
    std::vector<uint8_t> buffer(100, 0xEE);
    c.direction = 1;
    c.data = buffer.data();
    c.dataLength = 36;  // allocation 4100, room for 36
    ScsiAnswer a;
    h.drive->Execute(c, a, h.clock);
    EXPECT_EQ(a.transferred, 36u);
    EXPECT_EQ(buffer[36], 0xEE);
    EXPECT_EQ(buffer[16] >> 4, 1);
}

TEST(Allocation, ReadCapacityAlwaysMovesEightBytes) {
    Harness h = Harness::Of("range", "cd-r");
    EXPECT_EQ(h.Ask(ReadCapacity(), 64), "good");
    EXPECT_EQ(h.last.transferred, 8u);
    EXPECT_EQ(h.data[8], 0xEE);
}

}  // namespace
}  // namespace emu::test
