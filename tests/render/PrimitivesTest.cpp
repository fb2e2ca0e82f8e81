// Colours, colour scales, vertices, the current drawing and the recording drawing.
#include <gtest/gtest.h>

#include "render/Drawing.h"
#include "render/OpenGLColor.h"
#include "render/OpenGLVertex.h"
#include "render/RecordingDrawing.h"
#include "render/TextDecoding.h"

namespace {

void ExpectColor(const TOpenGLColor& actual, float r, float g, float b)
{
    EXPECT_NEAR(actual.C1, r, 1e-5f);
    EXPECT_NEAR(actual.C2, g, 1e-5f);
    EXPECT_NEAR(actual.C3, b, 1e-5f);
}

struct TScaleCase {
    const char* Name;
    bool Relevance;  // SetRelevanceColor(A, B) instead of SetHueColor(A, B, C)
    float A, B, C;
    float R, G, Bl;
};

class ColorScale : public ::testing::TestWithParam<TScaleCase> {};

TEST_P(ColorScale, MakesTheWorkedColourCurrent)
{
    const TScaleCase& c = GetParam();
    TRecordingDrawing rec;
    {
        TCurrentDrawing current(rec);
        if (c.Relevance)
            SetRelevanceColor(c.A, c.B);
        else
            SetHueColor(c.A, c.B, c.C);
    }
    ExpectColor(rec.CurrentColor, c.R, c.G, c.Bl);
    ExpectColor(c.Relevance ? RelevanceColor(c.A, c.B) : HueColor(c.A, c.B, c.C), c.R, c.G, c.Bl);
}

INSTANTIATE_TEST_SUITE_P(
    WorkedValues, ColorScale,
    ::testing::Values(TScaleCase{"HueRed", false, 1, 1, 0, 1, 0.25f, 0.25f},
                      TScaleCase{"HueGreen", false, 1, 1, 2, 0.25f, 1, 0.25f},
                      TScaleCase{"HueBlue", false, 1, 1, 4, 0.25f, 0.25f, 1},
                      TScaleCase{"HueFullCircleIsRed", false, 1, 1, 6, 1, 0.25f, 0.25f},
                      TScaleCase{"GreyAtZeroSaturation", false, 0.5f, 0, 1.7f, 0.5f, 0.5f, 0.5f},
                      TScaleCase{"GreyAtZeroSaturationOtherHue", false, 0.5f, 0, 4, 0.5f, 0.5f, 0.5f},
                      TScaleCase{"HalfValueScalesAll", false, 0.5f, 1, 0, 0.5f, 0.125f, 0.125f},
                      TScaleCase{"RelevanceNear", true, 1, 0, 0, 0.25f, 0.25f, 1},
                      TScaleCase{"RelevanceMiddle", true, 1, 0.5f, 0, 0.75f, 0, 0.75f},
                      TScaleCase{"RelevanceFar", true, 1, 1, 0, 1, 0.25f, 0.25f},
                      TScaleCase{"RelevanceNoStrengthIsWhite", true, 0, 0, 0, 1, 1, 1},
                      TScaleCase{"RelevanceNoStrengthIsWhiteFar", true, 0, 0.7f, 0, 1, 1, 1},
                      // strength is squared: 0.5 gives saturation 0.25
                      TScaleCase{"RelevanceHalfStrength", true, 0.5f, 0, 0, 0.8125f, 0.8125f, 1}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(HueComponent, FollowsTheRaisedCosine)
{
    EXPECT_NEAR(HueComponent(1, 1, 0), 1.0f, 1e-6f);
    EXPECT_NEAR(HueComponent(1, 1, 3), 0.0f, 1e-6f);
    EXPECT_NEAR(HueComponent(1, 1, 1.5f), 0.5f, 1e-6f);
    EXPECT_NEAR(HueComponent(0.8f, 0.5f, 3), 0.4f, 1e-6f);
}

TEST(OpenGLColor, DefaultsToBlueAndAppliesThroughTheCurrentDrawing)
{
    TOpenGLColor color;
    ExpectColor(color, 0, 0, 1);
    TOpenGLColor other(0.1f, 0.2f, 0.3f);
    EXPECT_EQ(color.Assign(other), &color);
    EXPECT_EQ(color, other);
    TRecordingDrawing rec;
    {
        TCurrentDrawing current(rec);
        color.SetColor(0.4f, 0.5f, 0.6f)->Apply();
    }
    ExpectColor(rec.CurrentColor, 0.4f, 0.5f, 0.6f);
}

TEST(CurrentDrawing, NestsAndFallsBackToADiscardingDrawing)
{
    TDrawing& outside = Gl();
    EXPECT_NE(dynamic_cast<TDiscardingDrawing*>(&outside), nullptr);
    TRecordingDrawing a, b;
    {
        TCurrentDrawing ca(a);
        EXPECT_EQ(&Gl(), &a);
        {
            TCurrentDrawing cb(b);
            EXPECT_EQ(&Gl(), &b);
        }
        EXPECT_EQ(&Gl(), &a);
    }
    EXPECT_EQ(&Gl(), &outside);
    // Drawing outside a paint is harmless.
    Gl().Begin(TPrimitive::Lines);
    Gl().Vertex(1, 2);
    Gl().End();
    Gl().Text("x");
}

struct TVertexCase {
    const char* Name;
    bool Is3D;
    bool Highlighted;
    float Size;
    float Z;
};

class VertexDraw : public ::testing::TestWithParam<TVertexCase> {};

TEST_P(VertexDraw, DrawsOnePointOfTheRightSizeAndDepth)
{
    const TVertexCase& c = GetParam();
    TOpenGLVertex v(7);
    v.SetPosition(3, 4, 9);
    TRecordingDrawing rec;
    {
        TCurrentDrawing current(rec);
        rec.Color(1, 0, 0);
        v.Draw(c.Is3D, c.Highlighted);
    }
    auto points = rec.Points();
    ASSERT_EQ(points.size(), 1u);
    EXPECT_FLOAT_EQ(points[0].State.PointSize, c.Size);
    EXPECT_FLOAT_EQ(points[0].V.X, 3);
    EXPECT_FLOAT_EQ(points[0].V.Y, 4);
    EXPECT_FLOAT_EQ(points[0].V.Z, c.Z);
    ExpectColor(points[0].V.Color, 1, 0, 0);  // the vertex sets no colour of its own
}

INSTANTIATE_TEST_SUITE_P(Sizes, VertexDraw,
                         ::testing::Values(TVertexCase{"Plain2D", false, false, 5, 0},
                                           TVertexCase{"Highlighted2D", false, true, 10, 0},
                                           TVertexCase{"Plain3D", true, false, 5, 9},
                                           TVertexCase{"Highlighted3D", true, true, 10, 9}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(OpenGLVertex, Constructors)
{
    TOpenGLVertex a(7);
    EXPECT_EQ(a.Id(), 7);
    EXPECT_FLOAT_EQ(a.PointSize, 5.0f);
    EXPECT_EQ(a.X + a.Y + a.Z, 0.0f);
    TOpenGLVertex b(3, 1, 2, 3);
    EXPECT_EQ(b.Id(), 3);
    EXPECT_FLOAT_EQ(b.PointSize, 0.035f);
    EXPECT_FLOAT_EQ(b.Z, 3);
    EXPECT_EQ(b.SetPosition(4, 5, 6), &b);
    EXPECT_FLOAT_EQ(b.X, 4);
}

TEST(RecordingDrawing, KeepsSegmentsWithPerVertexColoursAndState)
{
    TRecordingDrawing rec;
    rec.LineWidth(3);
    rec.Color(1, 0, 0);
    rec.Begin(TPrimitive::LineStrip);
    rec.Vertex(0, 0);
    rec.Vertex(1, 0);
    rec.Color(0, 1, 0);
    rec.Vertex(1, 1);
    rec.End();
    rec.Enable(TCapability::LineStipple);
    rec.LineStipple(2, 0x0F0F);
    rec.Begin(TPrimitive::LineLoop);
    rec.Vertex(0, 0);
    rec.Vertex(2, 0);
    rec.Vertex(2, 2);
    rec.End();
    rec.Disable(TCapability::LineStipple);
    rec.Begin(TPrimitive::Lines);
    rec.Vertex(5, 5);
    rec.Vertex(6, 6);
    rec.Vertex(7, 7);  // an odd vertex makes no segment
    rec.End();

    auto all = rec.LineSegments();
    ASSERT_EQ(all.size(), 2u + 3u + 1u);
    EXPECT_FLOAT_EQ(all[0].State.LineWidth, 3);
    EXPECT_FALSE(all[0].State.Stippled);
    EXPECT_TRUE(all[2].State.Stippled);
    EXPECT_EQ(all[2].State.StipplePattern, 0x0F0F);
    EXPECT_FLOAT_EQ(all[4].B.X, 0);  // loop closes back to its first vertex
    EXPECT_FLOAT_EQ(all[4].A.X, 2);
    EXPECT_FALSE(all[5].State.Stippled);

    EXPECT_EQ(rec.LineSegmentsInColor({1, 0, 0}).size(), 1u);  // second strip segment is mixed
    EXPECT_EQ(rec.LineSegmentsInColor({0, 1, 0}).size(), 4u);
    EXPECT_EQ(rec.VerticesInColor({1, 0, 0}).size(), 2u);
    EXPECT_EQ(rec.PrimitivesOf(TPrimitive::LineLoop).size(), 1u);
    EXPECT_EQ(rec.CountCalls("Enable(LineStipple)"), 1);
    EXPECT_FALSE(rec.IsEnabled(TCapability::LineStipple));
}

TEST(RecordingDrawing, TextTakesTheColourLatchedAtTheRasterPosition)
{
    TRecordingDrawing rec;
    rec.Text("start");  // OpenGL's initial raster colour is white
    rec.Color(1, 0, 0);
    rec.RasterPos(10, 20);
    rec.Color(0, 0, 1);
    rec.Text("Age 0.5");
    rec.Text("");
    ASSERT_EQ(rec.Texts.size(), 2u);
    ExpectColor(rec.Texts[0].Color, 1, 1, 1);
    auto found = rec.TextsContaining("0.5");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_FLOAT_EQ(found[0]->X, 10);
    EXPECT_FLOAT_EQ(found[0]->Y, 20);
    ExpectColor(found[0]->Color, 1, 0, 0);
    EXPECT_FALSE(rec.HasText("Weight"));
}

TEST(RecordingDrawing, SpheresSitAtTheModelViewOriginAndCarryNames)
{
    TRecordingDrawing rec;
    rec.MatrixMode(TMatrixMode::ModelView);
    rec.LoadIdentity();
    rec.InitNames();
    rec.PushName(0);
    rec.PushMatrix();
    rec.Translate(1, 2, 3);
    rec.Rotate(90, 0, 0, 1);
    rec.Translate(1, 0, 0);  // along the rotated x axis: +y
    rec.LoadName(42);
    rec.Sphere(0.5, 8, 8);
    rec.PopMatrix();
    rec.PopMatrix();  // unbalanced: ignored
    rec.Sphere(1, 8, 8);
    ASSERT_EQ(rec.Spheres.size(), 2u);
    EXPECT_NEAR(rec.Spheres[0].X, 1, 1e-5);
    EXPECT_NEAR(rec.Spheres[0].Y, 3, 1e-5);
    EXPECT_NEAR(rec.Spheres[0].Z, 3, 1e-5);
    EXPECT_EQ(rec.Spheres[0].State.Names, std::vector<unsigned>{42});
    EXPECT_NEAR(rec.Spheres[1].X, 0, 1e-6);
}

TEST(RecordingDrawing, IgnoresMisplacedBeginVertexEnd)
{
    TRecordingDrawing rec;
    rec.Vertex(1, 1);
    rec.End();
    rec.Begin(TPrimitive::Points);
    rec.Begin(TPrimitive::Lines);
    rec.Vertex(2, 2);
    rec.End();
    ASSERT_EQ(rec.Primitives.size(), 1u);
    EXPECT_EQ(rec.Primitives[0].Kind, TPrimitive::Points);
    EXPECT_EQ(rec.Primitives[0].Vertices.size(), 1u);
    EXPECT_EQ(rec.CountCalls("error:"), 3);
    rec.Reset();
    EXPECT_TRUE(rec.Primitives.empty());
    EXPECT_TRUE(rec.Calls.empty());
}

TEST(RecordingDrawing, SelectionModeReportsTheNamesTheTestPicked)
{
    TRecordingDrawing rec;
    unsigned buffer[8] = {};
    rec.PickedNames = {5};
    rec.BeginSelect(buffer, 8);
    EXPECT_EQ(rec.EndSelect(), 1);
    EXPECT_EQ(buffer[0], 1u);
    EXPECT_EQ(buffer[3], 5u);
    rec.PickedNames = {1, 2, 3};  // twelve values do not fit in eight
    rec.BeginSelect(buffer, 8);
    EXPECT_EQ(rec.EndSelect(), -1);
    EXPECT_EQ(rec.EndSelect(), 0);  // not selecting
}

TEST(TextDecoding, Utf8OrLatin1)
{
    EXPECT_EQ(DecodeTextBytes("abc"), U"abc");
    EXPECT_EQ(DecodeTextBytes("Jos\xC3\xA9"), U"Jos\u00E9");      // valid UTF-8
    EXPECT_EQ(DecodeTextBytes("Jos\xE9"), U"Jos\u00E9");          // Latin-1
    EXPECT_EQ(DecodeTextBytes("\xC0\xAF"), U"\u00C0\u00AF");      // overlong: Latin-1
    EXPECT_EQ(DecodeTextBytes("\xED\xA0\x80"), U"\u00ED\u00A0\u0080");  // surrogate: Latin-1
    EXPECT_EQ(DecodeTextBytes("\xE2\x82"), U"\u00E2\u0082");      // truncated: Latin-1
    EXPECT_EQ(DecodeTextBytes("\xF0\x9F\x98\x80"), U"\U0001F600");
}

}  // namespace

// ---- the shared conversions and the bulk primitives

#include <climits>
#include <cmath>

#include "render/CheckedInt.h"
#include "render/VertexArrays.h"

TEST(TruncToInt, TruncatesTowardZeroAndNeverLeavesTheIntRange)
{
    const struct {
        double Value;
        int Expected;
    } cases[] = {
        {2.9, 2},          {-2.9, -2},          {0.0, 0},          {-0.5, 0},
        {std::nan(""), 0}, {INFINITY, INT_MAX}, {-INFINITY, INT_MIN}, {3e9, INT_MAX},
        {-3e9, INT_MIN},   {2147483647.0, INT_MAX}, {-2147483648.0, INT_MIN},
    };
    for (const auto& c : cases) EXPECT_EQ(TruncToInt(c.Value), c.Expected) << c.Value;
}

TEST(CutToPixels, KeepsWholeCharactersThatFit)
{
    const struct {
        const char* Text;
        float Pixels;
        const char* Expected;
    } cases[] = {
        {"Horsepower", 80, "Horsepower"},
        {"Horsepower", 79, "Horsepowe"},     // 9.875 characters: 9
        {"Horsepower", 7, ""},
        {"Horsepower", -8, ""},
        {"Horsepower", NAN, ""},
        {"Citro\xC3\xABn", 48, "Citro\xC3\xAB"},   // ë is one character of two bytes
        {"\xE2\x82\xAC\xE2\x82\xAC", 8, "\xE2\x82\xAC"},  // never half a euro sign
        {"Citro\xEBn", 48, "Citro\xEB"},       // Latin-1 text: a byte each
        {"", 100, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(CutToPixels(c.Text, c.Pixels), c.Expected) << c.Text << " " << c.Pixels;
}

TEST(RelevanceStrength, StaysWithinZeroAndOne)
{
    EXPECT_EQ(RelevanceStrength(0.25f), 0.25f);
    EXPECT_EQ(RelevanceStrength(-0.5f), 0.0f);
    EXPECT_EQ(RelevanceStrength(7.0f), 1.0f);
    EXPECT_EQ(RelevanceStrength(NAN), 0.0f);
    EXPECT_EQ(RelevanceStrength(INFINITY), 1.0f);
}

TEST(RecordingDrawing, BulkArraysReadLikeOrdinaryPrimitivesWithTheirMeaning)
{
    TRecordingDrawing rec;
    TCurrentDrawing current(rec);
    Gl().Color(0, 0, 1);
    const float points[] = {1, 2, 3, 4};
    const float lines[] = {0, 0, 0, 10, 10, 1, 20, 20, 2};  // an odd last vertex is dropped
    const float colours[] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    {
        TMeaningScope meaning(TMeaning::Record);
        Gl().DrawArrays(TPrimitive::Points, points, 2, nullptr, 2);
        Gl().DrawArrays(TPrimitive::Lines, lines, 3, colours, 3);
    }
    Gl().RasterPos(5, 5);
    Gl().Text("label");
    EXPECT_EQ(Gl().Meaning(), TMeaning::None);

    const auto dots = rec.PointsMeaning(TMeaning::Record);
    ASSERT_EQ(dots.size(), 2u);
    EXPECT_EQ(dots[1].V.X, 3);
    EXPECT_EQ(dots[1].V.Y, 4);
    EXPECT_EQ(dots[1].V.Z, 0);
    EXPECT_TRUE(TRecordingDrawing::SameColor(dots[0].V.Color, TOpenGLColor(0, 0, 1)));
    const auto segments = rec.SegmentsMeaning(TMeaning::Record);
    ASSERT_EQ(segments.size(), 1u);
    EXPECT_EQ(segments[0].B.Z, 1);
    EXPECT_TRUE(TRecordingDrawing::SameColor(segments[0].B.Color, TOpenGLColor(0, 1, 0)));
    EXPECT_TRUE(rec.TextsMeaning(TMeaning::Record).empty());
    EXPECT_EQ(rec.TextsMeaning(TMeaning::None).size(), 1u);
    EXPECT_TRUE(rec.AllFinite());
    Gl().DrawArrays(TPrimitive::Points, (const float[]){NAN, 0}, 2, nullptr, 1);
    EXPECT_FALSE(rec.AllFinite());
}

TEST(VertexArrays, SendsOneColourUntilAVertexDiffersThenColoursPerVertex)
{
    TRecordingDrawing rec;
    TCurrentDrawing current(rec);
    TVertexArrays arrays(TPrimitive::Lines);
    const TOpenGLColor red(1, 0, 0), green(0, 1, 0);
    arrays.Add(0, 0, 0, red);
    arrays.Add(1, 1, 0, red);
    arrays.Flush();
    arrays.Add(0, 0, 0, red);
    arrays.Add(1, 1, 0, green);
    arrays.Flush();
    arrays.Flush();  // nothing left: nothing sent
    ASSERT_EQ(rec.Primitives.size(), 2u);
    EXPECT_EQ(rec.LineSegmentsInColor(red).size(), 1u);
    EXPECT_TRUE(TRecordingDrawing::SameColor(rec.Primitives[1].Vertices[1].Color, green));
    EXPECT_TRUE(TRecordingDrawing::SameColor(rec.Primitives[1].Vertices[0].Color, red));
}
