// The engine-free pieces of the queries a table-backed tree sends: the raw interval of a
// brush, the WHERE it becomes, the row test, and the stratified sample.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>

#include "app/TableQuery.h"

namespace {
TLevelDimension Dimension(int column, float low, float high, std::vector<TBrushBounds> brushes)
{
    float range = high - low;
    if (range == 0.0f) range = 1.0f;
    return {column, low, high, range, std::move(brushes)};
}
} // namespace

TEST(TableQuery, TheRawIntervalOfABrushIsExactlyWhatNormalisesInsideIt)
{
    struct TCase {
        float Low, High, Min, Max;
    } cases[] = {{1.5f, 15000.0f, 0.25f, 0.30f}, {-200.0f, 799.99f, 0.0f, 0.1234f}, {-200.0f, 799.99f, 1.0f, 1.0f},
                 {0.0f, 1e-30f, 0.3f, 0.7f},    {-3e38f, 3e38f, 0.4f, 0.6f},      {5.0f, 5.0f, 0.0f, 0.0f}};
    for (const TCase& c : cases) {
        const TLevelDimension d = Dimension(0, c.Low, c.High, {{c.Min, c.Max}});
        float first = 0, last = 0;
        ASSERT_TRUE(RawInterval(d, d.Brushes[0], first, last)) << c.Low << " " << c.Min;
        auto norm = [&](float raw) { return NormalisedValue(raw, d.Low, d.High, d.Range); };
        EXPECT_GE(norm(first), c.Min);
        EXPECT_LE(norm(last), c.Max);
        const float below = std::nextafter(first, -std::numeric_limits<float>::infinity());
        const float above = std::nextafter(last, std::numeric_limits<float>::infinity());
        if (first != -std::numeric_limits<float>::max()) EXPECT_LT(norm(below), c.Min) << c.Low << " " << c.Min;
        if (last != std::numeric_limits<float>::max()) EXPECT_GT(norm(above), c.Max) << c.Low << " " << c.Max;
    }
    // A brush above every value that can normalise holds no raw value at all.
    const TLevelDimension d = Dimension(0, 0.0f, 10.0f, {{1.5f, 2.0f}});
    float first = 0, last = 0;
    EXPECT_FALSE(RawInterval(d, d.Brushes[0], first, last));
}

TEST(TableQuery, TheRowTestCombinesLikeTheSelectionsController)
{
    // Two dimensions, one brush each over [0.5, 1] of 0 … 10.
    TPipelineLevel level;
    level.Dimensions = {Dimension(0, 0, 10, {{0.5f, 1.0f}}), Dimension(1, 0, 10, {{0.5f, 1.0f}})};
    struct TCase {
        int Logic;
        float A, B;
        bool Accepted;
    } cases[] = {{0, 6, 7, true},  {0, 6, 1, false}, {1, 6, 1, true},  {1, 1, 2, false},
                 {2, 6, 1, true},  {2, 6, 7, false}, {2, 1, 2, false}};
    for (const TCase& c : cases) {
        level.Logic = c.Logic;
        const TLineage lineage = TLineage().Then(level);
        const float row[] = {c.A, c.B};
        EXPECT_EQ(lineage.Accepts(row), c.Accepted) << c.Logic << " " << c.A << " " << c.B;
    }
    // A second level narrows; a union widens.
    level.Logic = 0;
    TPipelineLevel second;
    second.Dimensions = {Dimension(0, 5, 10, {{0.0f, 0.5f}})};  // 5 … 7.5 of the first level's records
    const TLineage narrow = TLineage().Then(level).Then(second);
    const float inside[] = {7, 9}, outside[] = {8, 9};
    EXPECT_TRUE(narrow.Accepts(inside));
    EXPECT_FALSE(narrow.Accepts(outside));
    const TLineage both = narrow.Or(TLineage().Then(level));
    EXPECT_TRUE(both.Accepts(outside));
    EXPECT_TRUE(TLineage().Accepts(outside));
    EXPECT_FALSE(TLineage::Nothing().Accepts(outside));
}

TEST(TableQuery, TheWhereBindsEveryValueAndQuotesEveryName)
{
    const std::vector<TTableColumn> columns = {{"x\"; DROP TABLE t; --"}, {"label", TColumnKind::Text}, {"when", TColumnKind::Date}};
    TPipelineLevel level;
    level.Logic = 2;
    level.Dimensions = {Dimension(0, 0, 10, {{0.2f, 0.4f}, {0.9f, 1.0f}}),
                        Dimension(1, 0, 700000, {{0.0f, 1.0f}}), Dimension(2, 40000, 46000, {{0.5f, 1.0f}})};
    const std::vector<std::string> texts = {"it's", "a; DROP TABLE x", ""};
    for (const TSqlEngine engine : {TSqlEngine::Sqlite, TSqlEngine::Postgres}) {
        TSqlDialect dialect;
        dialect.Engine = engine;
        const TWhere where = BuildWhere(TLineage().Then(level), columns, dialect, [&](int) { return &texts; });
        EXPECT_NE(where.Sql.find("\"x\"\"; DROP TABLE t; --\""), std::string::npos) << where.Sql;
        EXPECT_NE(where.Sql.find("% 2 = 1"), std::string::npos) << where.Sql;
        EXPECT_EQ(where.Sql.find("DROP TABLE x"), std::string::npos) << where.Sql;
        EXPECT_EQ(where.Sql.find("it's"), std::string::npos) << where.Sql;
        std::size_t placeholders = 0;
        for (std::size_t at = where.Sql.find(engine == TSqlEngine::Sqlite ? '?' : '$'); at != std::string::npos;
             at = where.Sql.find(engine == TSqlEngine::Sqlite ? '?' : '$', at + 1))
            ++placeholders;
        EXPECT_EQ(placeholders, where.Parameters.size()) << where.Sql;
        EXPECT_FALSE(where.Exact);  // dates are compared with a margin and tested again
    }
    // A column the engine cannot compare leaves an OR level to the client test.
    TPipelineLevel unknown;
    unknown.Logic = 1;
    unknown.Dimensions = {Dimension(1, 0, 10, {{0, 1}}), Dimension(0, 0, 10, {{0, 1}})};
    TSqlDialect dialect;
    const TWhere all = BuildWhere(TLineage().Then(unknown), columns, dialect, [](int) { return nullptr; });
    EXPECT_TRUE(all.Sql.empty());
    EXPECT_FALSE(all.Exact);
}

TEST(TableQuery, AStratifiedChoiceTakesOneRowOfEveryRun)
{
    struct TCase {
        std::int64_t Total, Wanted;
    } cases[] = {{10000, 1000}, {1000, 999}, {7, 3}, {5, 5}, {5, 8}, {1000003, 1000}};
    for (const TCase& c : cases) {
        TStratifiedChoice choice(c.Total, c.Wanted, SampleSeed("t", c.Wanted));
        std::vector<std::int64_t> taken;
        for (std::int64_t i = 0; i < c.Total; ++i)
            if (choice.Take()) taken.push_back(i);
        ASSERT_EQ(static_cast<std::int64_t>(taken.size()), std::min(c.Total, c.Wanted)) << c.Total << " " << c.Wanted;
        if (c.Wanted < c.Total)
            for (std::size_t k = 0; k < taken.size(); ++k) {
                const auto run = static_cast<__int128>(k);
                EXPECT_GE(taken[k], static_cast<std::int64_t>(run * c.Total / c.Wanted)) << k;
                EXPECT_LT(taken[k], static_cast<std::int64_t>((run + 1) * c.Total / c.Wanted)) << k;
            }
    }
    EXPECT_NE(SampleSeed("t", 1000), SampleSeed("t", 1001));
    EXPECT_EQ(GroupedCount(182456001), "182,456,001");
    EXPECT_EQ(GroupedCount(999), "999");
    EXPECT_EQ(DaysToIsoText(45306.5), "2024-01-15 12:00:00.000000");
}
