// Numbers under a locale whose decimal separator is a comma. The shell's toolkit sets the
// C library's locale from the user's environment, so number texts must not depend on it:
// labels and condition texts take the user's separator and nothing else, pictures always
// take '.' decimals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <clocale>
#include <string>

#include "data/Auxiliar.h"
#include "render/RecordingDrawing.h"
#include "render/SvgWriter.h"

namespace {

// Switches the C library to de_DE.UTF-8 for one test and back afterwards.
class CommaLocale : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* current = std::setlocale(LC_ALL, nullptr);
        Saved = current ? current : "C";
        if (!std::setlocale(LC_ALL, "de_DE.UTF-8") && !std::setlocale(LC_ALL, "de_DE.utf8"))
            GTEST_SKIP() << "the de_DE.UTF-8 locale is not installed (tools/dev.sh test generates it)";
        ASSERT_EQ(std::localeconv()->decimal_point[0], ',');
    }
    void TearDown() override
    {
        std::setlocale(LC_ALL, Saved.c_str());
        SetDecimalSeparator('.');
    }
    std::string Saved;
};

TEST_F(CommaLocale, FormattedNumbersCarryOnlyTheUserSeparator)
{
    struct TCase {
        const char* Pattern;
        double Value;
        char Separator;
        const char* Expected;
    };
    const TCase cases[] = {
        {"0.##", 4.0, '.', "4"},          {"0.##", 4.0, ',', "4"},
        {"0.##", 12.5, '.', "12.5"},      {"0.##", 12.5, ',', "12,5"},
        {"0.##", -0.001, ',', "0"},       {"0.##", 1982.0, ',', "1982"},
        {"0.####", 2.0 / 3, '.', "0.6667"}, {"0.####", 2.0 / 3, ',', "0,6667"},
        {"0.####", 100.0, ',', "100"},    {"0", 7.6, ',', "8"},
        {"0.##", 1e20, ',', "100000000000000000000"},
    };
    for (const TCase& c : cases) {
        SetDecimalSeparator(c.Separator);
        EXPECT_EQ(FormatFloat(c.Pattern, c.Value), c.Expected) << c.Pattern << " " << c.Value << " '" << c.Separator << "'";
    }
}

TEST_F(CommaLocale, PicturesAlwaysTakePointDecimals)
{
    SetDecimalSeparator(',');
    TRecordingDrawing gl;
    gl.Ortho(0.0, 12.5, 0.0, 10.0, -1.0, 1.0);
    gl.LineWidth(1.5f);
    gl.Color(0, 0, 0);
    gl.Begin(TPrimitive::Lines);
    gl.Vertex(1.25f, 2.5f);
    gl.Vertex(7.5f, 2.5f);
    gl.End();
    gl.RasterPos(2.5f, 5.0f);
    gl.Text("x");
    EXPECT_NE(gl.Calls.end(), std::find(gl.Calls.begin(), gl.Calls.end(), "Ortho(0,12.5,0,10,-1,1)"));
    const std::string svg = SvgText(gl, 125, 100);
    ASSERT_FALSE(svg.empty()) << "the projection was read back";
    // 1.25 of 12.5 units over 125 pixels is x = 12.5; y = (10 - 2.5) * 10 = 75.
    EXPECT_NE(svg.find("d=\"M12.5 75L75 75\""), std::string::npos) << svg;
    EXPECT_NE(svg.find("stroke-width=\"1.5\""), std::string::npos) << svg;
    EXPECT_NE(svg.find("x=\"25\" y=\"50\""), std::string::npos) << svg;
    // No number with a decimal comma anywhere (this picture has no polygon, whose points
    // are the only "x,y" pairs SVG has).
    for (std::size_t at = svg.find(','); at != std::string::npos; at = svg.find(',', at + 1))
        EXPECT_FALSE(at > 0 && std::isdigit(static_cast<unsigned char>(svg[at - 1])) &&
                     std::isdigit(static_cast<unsigned char>(svg[at + 1])))
            << "decimal comma at: " << svg.substr(at > 10 ? at - 10 : 0, 20);
}

} // namespace
