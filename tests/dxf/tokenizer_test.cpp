// The converter's tokenizer on files: line ends, long lines, group codes, numbers, the
// line counter in messages, pushing back and seeking back; the colour table.
#include "dxf/converter.h"
#include "dxftest.h"

#include <gtest/gtest.h>

using namespace nyx;
using namespace nyx::test;

namespace {

class TokenizerTest : public ::testing::Test {
protected:
    // Opens a file holding Text for the converter's tokenizer.
    void Open(const std::string& Text) {
        C.SetFileName(Dir.Write("t.dxf", Text));
        C.OpenFile();
    }
    // Every group up to the end of the file.
    TGroups ReadAll() {
        TGroups groups;
        for (int code = C.NextGroupCode(); code >= 0; code = C.NextGroupCode())
            groups.emplace_back(code, C.ValStr());
        return groups;
    }

    TScratch Dir;
    TDXFConverter C{nullptr};
};

TEST_F(TokenizerTest, LfAndCrLfFilesGiveTheSameGroupsAndLineCount) {
    const TGroups groups{{0, "SECTION"}, {2, "ENTITIES"}, {10, "1.5"}, {1, " leading blank"}};
    for (const std::string eol : {"\n", "\r\n"}) {
        SCOPED_TRACE(eol.size());
        TDXFConverter c(nullptr);
        c.SetFileName(Dir.Write("e.dxf", DxfText(groups, eol)));
        c.OpenFile();
        TGroups read;
        for (int code = c.NextGroupCode(); code >= 0; code = c.NextGroupCode())
            read.emplace_back(code, c.ValStr());
        EXPECT_EQ(read, groups);
        EXPECT_EQ(c.LineCount(), 8);
    }
}

TEST_F(TokenizerTest, LinesKeepTheir255FirstCharactersAcrossBufferEnds) {
    const std::string longer(300, 'a');
    const std::string huge(10000, 'b');  // runs over several buffer ends
    // Shift the next group across the 4096-byte buffer end as well.
    const std::string padding(4090, 'p');
    Open(DxfText({{1, longer}, {1, huge}, {999, padding}, {1, "after"}}));
    EXPECT_EQ(ReadAll(), (TGroups{{1, std::string(255, 'a')},
                                  {1, std::string(255, 'b')},
                                  {999, std::string(255, 'p')},
                                  {1, "after"}}));
}

TEST_F(TokenizerTest, EveryCarriageReturnIsDropped) {
    Open("1\nAB\rCD\r\n2\r\r\nX\r\n");
    EXPECT_EQ(ReadAll(), (TGroups{{1, "ABCD"}, {2, "X"}}));
}

TEST_F(TokenizerTest, AnUnterminatedLastLineEndsTheFile) {
    Open("0\nSECTION\n0\nEOF");
    EXPECT_EQ(C.NextGroupCode(), 0);
    EXPECT_EQ(C.NextGroupCode(), -2);
}

TEST_F(TokenizerTest, GroupCodes) {
    struct Case {
        const char* Line;
        int Code;
    } cases[] = {{"10", 10},  {"  10", 10}, {"\t7", 7}, {"-1", -1},          {"+5", 5},
                 {"10 ", -2}, {"1x", -2},   {"", -2},   {"99999999999", -2}, {"x", -2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Line);
        TDXFConverter conv(nullptr);
        conv.SetFileName(Dir.Write("c.dxf", std::string(c.Line) + "\nvalue\n"));
        conv.OpenFile();
        EXPECT_EQ(conv.NextGroupCode(), c.Code);
    }
}

TEST_F(TokenizerTest, NumbersAndTheirErrorsNamingTheLine) {
    struct Case {
        const char* Value;
        bool Valid;
        double Number;
    } reals[] = {{"1.5", true, 1.5}, {" 2.5 ", true, 2.5}, {"1e3", true, 1000}, {"-.5", true, -0.5},
                 {"+3", true, 3},    {"7.", true, 7},      {"1,5", false, 0},   {"abc", false, 0},
                 {"nan", false, 0},  {"inf", false, 0},    {"", false, 0},      {"1e999", false, 0},
                 {"+-1", false, 0}};
    TGroups groups;
    for (const Case& c : reals)
        groups.emplace_back(10, c.Value);
    Open(DxfText(groups));
    int line = 0;
    for (const Case& c : reals) {
        SCOPED_TRACE(c.Value);
        ASSERT_EQ(C.NextGroupCode(), 10);
        line += 2;
        if (c.Valid) {
            EXPECT_EQ(C.ValDbl(), c.Number);
            continue;
        }
        try {
            C.ValDbl();
            ADD_FAILURE() << "no exception";
        } catch (const EDXFReadException& e) {
            EXPECT_EQ(std::string(e.what()),
                      "Invalid Floating point conversion\r\nError occured at or near line "
                      "number " +
                          std::to_string(line));
            EXPECT_EQ(e.LineNumber(), line);
        }
    }
}

TEST_F(TokenizerTest, Integers) {
    Open(DxfText({{62, "     1"}, {70, "-3"}, {70, "4.2"}, {70, "2147483648"}}));
    C.NextGroupCode();
    EXPECT_EQ(C.ValInt(), 1);
    C.NextGroupCode();
    EXPECT_EQ(C.ValInt(), -3);
    for (int line : {6, 8}) {
        C.NextGroupCode();
        try {
            C.ValInt();
            ADD_FAILURE() << "no exception";
        } catch (const EDXFReadException& e) {
            EXPECT_EQ(std::string(e.what()), "Invalid Integer conversion\r\nError occured at or "
                                             "near line number " +
                                                 std::to_string(line));
        }
    }
}

TEST(DXFReadException, ALineNumberBelowZeroLeavesTheMessage) {
    EXPECT_STREQ(EDXFReadException("m", -1).what(), "m");
    EXPECT_STREQ(EDXFReadException("m", 0).what(), "m\r\nError occured at or near line number 0");
}

TEST_F(TokenizerTest, APushedBackGroupComesAgainWithoutReadingALine) {
    Open(DxfText({{0, "LINE"}, {8, "L"}}));
    EXPECT_EQ(C.NextGroupCode(), 0);
    C.go_back_to_last(0, C.ValStr());
    EXPECT_EQ(C.NextGroupCode(), 0);
    EXPECT_EQ(C.ValStr(), "LINE");
    EXPECT_EQ(C.LineCount(), 2);
    C.go_back_to_last(5, "other");
    EXPECT_EQ(C.NextGroupCode(), 5);
    EXPECT_EQ(C.ValStr(), "other");
    EXPECT_EQ(C.NextGroupCode(), 8);
}

TEST_F(TokenizerTest, GoingBackToTheMarkReadsTheSameGroupsAndCountsTheLinesAgain) {
    // FileLine goes back with the mark; LineCount counts the lines read again too.
    const std::string padding(5000, 'x');  // the mark lies in a later buffer
    Open(DxfText({{999, padding}, {1, "a"}, {2, "b"}}));
    C.NextGroupCode();
    C.mark_position();
    EXPECT_EQ(ReadAll(), (TGroups{{1, "a"}, {2, "b"}}));
    EXPECT_EQ(C.FileLine(), 6);
    C.goto_marked_position();
    EXPECT_EQ(C.FileLine(), 2) << "back at the mark's line";
    EXPECT_EQ(ReadAll(), (TGroups{{1, "a"}, {2, "b"}}));
    EXPECT_EQ(C.LineCount(), 10);
    EXPECT_EQ(C.FileLine(), 6);
    // A file opened again counts its lines from its start; the counter runs on.
    Open(DxfText({{1, "c"}}));
    C.NextGroupCode();
    EXPECT_EQ(C.FileLine(), 2);
    EXPECT_EQ(C.LineCount(), 12);
}

TEST_F(TokenizerTest, CompositeReads) {
    Open(DxfText({{9, "$EXTMIN"}, {10, "1.5"}, {7, "2.5"}, {1, "s"}, {40, "x"}}));
    double x = 0, y = 0;
    EXPECT_TRUE(C.read_2Dpoint(x, y));  // y comes from the group after 10, whatever its code
    EXPECT_EQ(x, 1.5);
    EXPECT_EQ(y, 2.5);
    int code = 0;
    std::string s;
    EXPECT_TRUE(C.code_and_string(code, s));
    EXPECT_EQ(code, 1);
    EXPECT_EQ(s, "s");
    double d = 0;
    EXPECT_THROW(C.code_and_double(code, d), EDXFReadException);
    EXPECT_FALSE(C.code_and_string(code, s));
    EXPECT_FALSE(C.code_and_double(code, d));
    EXPECT_FALSE(C.read_2Dpoint(x, y));
}

TEST(Tokenizer, WithoutAFileEveryReadMeetsTheEnd) {
    TDXFConverter c(nullptr);
    EXPECT_EQ(c.NextGroupCode(), -2);
    c.mark_position();
    c.goto_marked_position();
    EXPECT_EQ(c.NextGroupCode(), -2);
}

TEST(Tokenizer, OpeningAMissingFileRaisesThePlatformError) {
    TDXFConverter c(nullptr);
    c.SetFileName("/nonexistent/drawing.dxf");
    EXPECT_THROW(c.OpenFile(), EFOpenError);
}

// --- Colours ---------------------------------------------------------------------------

TEST(DXFColors, TableEntries) {
    EXPECT_EQ(DXF_Layer_Colors[0], RGB(0, 0, 0));
    EXPECT_EQ(DXF_Layer_Colors[1], RGB(255, 0, 0));
    EXPECT_EQ(DXF_Layer_Colors[7], RGB(255, 255, 255));
    EXPECT_EQ(DXF_Layer_Colors[13], RGB(208, 96, 96));
    EXPECT_EQ(DXF_Layer_Colors[29], RGB(80, 48, 32));
    for (std::size_t i = 30; i < 256; ++i)
        EXPECT_EQ(DXF_Layer_Colors[i], RGB(255, 255, 255)) << i;
}

TEST(DXFColors, NearestNumberFirstOnATie) {
    struct Case {
        TColor Color;
        int Number;
    } cases[] = {{RGB(255, 255, 255), 7}, {RGB(0, 0, 0), 0},
                 {RGB(250, 5, 5), 1},     {RGB(128, 128, 128), 8},
                 {RGB(80, 48, 32), 29},   {RGB(0, 0, 200), 5},
                 {RGB(100, 0, 110), 6},   {ColorFromBits(0xFF000000u), 0}};
    for (const Case& c : cases)
        EXPECT_EQ(TDXFConverter::find_DXF_color(c.Color), c.Number) << std::hex << c.Color;
}

}  // namespace
