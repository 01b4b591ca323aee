// Sector-number arithmetic of the erase procedures.
#include <gtest/gtest.h>

#include "app/FrmMain.h"

namespace {

TEST(LbaToPsn, MapsBlocksOntoBothLayers) {
    struct Case {
        int kind;
        uint32_t start, lba, layer0End, psn;
    } cases[] = {
        {2, 0x30000, 0, 0x26053F, 0x30000},
        {2, 0x30000, 0x23053F, 0x26053F, 0x26053F},   // the last block of layer 0
        {2, 0x30000, 0x230540, 0x26053F, 0xFFD9FAC0}, // the first of layer 1: complement of 26053Fh
        {2, 0x30000, 0x230541, 0x26053F, 0xFFD9FAC1},
        {2, 0x30000, 0x123456, 0, 0x153456},          // single layer: E = 0 keeps every block on layer 0
        {3, 0x100000, 0xBA7400, 0xCA73FF, 0x1358C00}, // BD: 25-bit complement of CA73FFh
        {3, 0x100000, 0xBA73FF, 0xCA73FF, 0xCA73FF},
    };
    for (auto& c : cases) EXPECT_EQ(TfrmMain::LbaToPsn(c.kind, c.start, c.lba, c.layer0End), c.psn) << std::hex << c.lba;
}

TEST(MsfToLba, CountsFromTwoSeconds) {
    EXPECT_EQ(TfrmMain::MsfToLba(0, 2, 0), 0u);
    EXPECT_EQ(TfrmMain::MsfToLba(97, 26, 66), 0x6B05Eu);
    EXPECT_EQ(TfrmMain::MsfToLba(99, 59, 74), 0x6DD39u);
    EXPECT_EQ(TfrmMain::MsfToLba(0, 0, 0), 0xFFFFFF6Au);
}

}  // namespace
