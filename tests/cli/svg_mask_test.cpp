// SVG mask files: plain and gzip-compressed (.svgz) documents, FILE.svg#ID,
// and the messages for files that cannot be read or options that do not
// apply. What a document draws is tested with the shot part.
#include <gtest/gtest.h>
#include <zlib.h>

#include <ostream>
#include <string>
#include <vector>

#include "cli/mask_file.h"
#include "cli/mask_select.h"
#include "tool_harness.h"

namespace {

using namespace runner;
using namespace runner::cli;
using cli_test::ScratchDir;
using cli_test::WriteText;

std::string Doc(const std::string& root_attributes, const std::string& body) {
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" " +
           root_attributes + ">" + body + "</svg>";
}

void WriteGzip(const std::string& file, const std::string& text) {
    gzFile out = gzopen(file.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    ASSERT_EQ(gzwrite(out, text.data(), static_cast<unsigned>(text.size())), static_cast<int>(text.size()));
    ASSERT_EQ(gzclose(out), Z_OK);
}

const std::string DRAWN = "<path d=\"M 5 5 L 6 6\"/>";

TEST(SvgMask, CompressedDocumentsReadLikePlainOnes) {
    ScratchDir dir;
    const std::string doc = Doc("width=\"10mm\" height=\"10mm\" viewBox=\"0 0 10 10\"", "<circle cx=\"5\" cy=\"5\" r=\"5\"/>");
    WriteText(dir / "m.svg", doc);
    WriteGzip(dir / "m.svgz", doc);
    auto plain = ReadSvgMask(dir / "m.svg");
    auto packed = ReadSvgMask(dir / "m.svgz");
    ASSERT_TRUE(plain.has_value()) << plain.error().message;
    ASSERT_TRUE(packed.has_value()) << packed.error().message;
    ASSERT_EQ(packed->front().vertices.size(), plain->front().vertices.size());
    EXPECT_EQ(packed->front().vertices[2].y, plain->front().vertices[2].y);
}

struct FailureCase {
    const char* name;
    std::string document;  // written to m.svg
    std::string mask;      // --mask, in the scratch folder
    std::vector<std::string> phrases;
    MaskFit fit = MaskFit::NONE;
};

inline void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class Failures : public ::testing::TestWithParam<FailureCase> {};

TEST_P(Failures, NameWhatIsWrong) {
    const FailureCase& c = GetParam();
    ScratchDir dir;
    WriteText(dir / "m.svg", c.document);
    WriteText(dir / "m.json", "{\"vertices\": [[0, 0], [1, 1]]}");
    WriteGzip(dir / "whole.svgz", Doc("", DRAWN));
    WriteText(dir / "cut.svgz", cli_test::ReadText(dir / "whole.svgz").substr(0, 30));
    MaskOptions options;
    options.file = c.mask.empty() ? std::string() : dir / c.mask;
    options.path_data = c.mask.empty() ? "M 0 0 L 1 1" : "";
    options.fit = c.fit;
    auto mask = LoadMask(options, 320, 180);
    ASSERT_FALSE(mask.has_value()) << c.name;
    for (const std::string& phrase : c.phrases) {
        EXPECT_NE(mask.error().message.find(phrase), std::string::npos) << mask.error().message;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, Failures,
    ::testing::Values(
        FailureCase{"viewBox of three numbers", Doc("viewBox=\"0 0 10\"", DRAWN), "m.svg", {"m.svg: <svg>: viewBox=\"0 0 10\""}},
        FailureCase{"missing file", "", "gone.svg", {"gone.svg: cannot open the mask file"}},
        FailureCase{"no such id", Doc("", DRAWN), "m.svg#nope", {"m.svg: no element has id \"nope\""}},
        FailureCase{"id on a JSON mask", "", "m.json#a", {"m.json#a", "SVG masks only"}},
        FailureCase{"cut-off svgz", "", "cut.svgz", {"cut.svgz", "gzip"}},
        FailureCase{"fitting a root that is not <svg>", "<path d=\"M 0 0 L 1 1\"/>", "m.svg",
                    {"m.svg: --mask-fit layer: the root element is not <svg>"}, MaskFit::LAYER},
        FailureCase{"fitting a JSON mask", "", "m.json", {"--mask-fit layer", "SVG masks only"}, MaskFit::LAYER},
        FailureCase{"fitting path data", "", "", {"--mask-d", "--mask-fit layer"}, MaskFit::LAYER}));

TEST(MaskSelect, SaysWhenTheMaskHasNothingToWalk) {
    MaskOptions options;
    options.path_data = "M 3 4 M 5 6 z";
    for (int32_t index : {0, 1}) {
        options.index = index;
        auto mask = LoadMask(options, 320, 180);
        ASSERT_TRUE(mask.has_value()) << mask.error().message;
        // A lone moveto has no segment; a closed point has its closing one.
        EXPECT_EQ(NothingToWalk(options, **mask).empty(), index == 1) << index;
    }
}

}  // namespace
