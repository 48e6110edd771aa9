#include "server/svg_chart.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <regex>

using namespace trekhold;

TEST(SvgChart, ScaleStepsAreNiceAndCoverTheHighestValue) {
    // highest, whole, step, top
    const std::tuple<long double, bool, long double, long double> cases[] = {
        {0, true, 1, 1},      {-5, true, 1, 1},
        {1, true, 1, 1},      {3, true, 1, 3},
        {7, true, 2, 8},      {100, true, 50, 100},
        {101, true, 50, 150}, {0.3L, false, 0.1L, 0.3L},
        {0.3L, true, 1, 1},   {1234567, true, 500000, 1500000}};
    for (const auto& [highest, whole, step, top] : cases) {
        ChartScale s = NiceScale(highest, whole);
        EXPECT_NEAR(static_cast<double>(s.step), static_cast<double>(step), 1e-9) << highest;
        EXPECT_NEAR(static_cast<double>(s.top), static_cast<double>(top), 1e-9) << highest;
    }
    // The largest sums a database holds still get a finite axis above them.
    const long double huge = static_cast<long double>(std::numeric_limits<int64_t>::max());
    ChartScale s = NiceScale(huge, true);
    EXPECT_GE(s.top, huge);
    EXPECT_LE(s.top / s.step, 5);
    EXPECT_EQ(TickText(s.top, s.step), "10 E");
    EXPECT_EQ(TickText(0, 0.05L) + "|" + TickText(0.15L, 0.05L) + "|" + TickText(2, 0.5L) + "|" +
                  TickText(1500000, 500000) + "|" + TickText(500000, 500000) + "|" +
                  TickText(750, 250) + "|" + TickText(1200, 200),
              "0|0.15|2|1.5 M|500 k|750|1.2 k");
}

namespace {

Chart Sample(std::vector<int64_t> values) {
    Chart chart;
    chart.id = "keys-days";
    chart.title = "Keystrokes per day";
    chart.label_heading = "Day";
    chart.value_heading = "Keystrokes";
    chart.value_text = [](int64_t v) { return std::to_string(v); };
    for (size_t i = 0; i < values.size(); ++i)
        chart.bars.push_back({i % 5 == 0 ? std::to_string(i + 1) : "",
                              "Day <" + std::to_string(i + 1) + ">", values[i]});
    return chart;
}

int Count(const std::string& text, const std::string& pattern) {
    const std::regex re(pattern);
    return static_cast<int>(
        std::distance(std::sregex_iterator(text.begin(), text.end(), re), std::sregex_iterator()));
}

} // namespace

TEST(SvgChart, BarsStayInsideTheDrawingWhateverTheValues) {
    const int64_t max = std::numeric_limits<int64_t>::max();
    for (const auto& values : std::vector<std::vector<int64_t>>{
             {0, 0, 0}, {1, 0, max}, {max, max - 1, 1}, {-7, 3, 0}, {}}) {
        std::string html = RenderChart(Sample(values));
        // Every bar's top edge lies within the drawing and its height is positive.
        std::regex rect(
            "<rect x=\"[0-9.]+\" y=\"([0-9.]+)\" width=\"[0-9.]+\" height=\"([0-9.]+)\"");
        int bars = 0;
        for (auto it = std::sregex_iterator(html.begin(), html.end(), rect);
             it != std::sregex_iterator(); ++it, ++bars) {
            double y = std::stod((*it)[1]), height = std::stod((*it)[2]);
            EXPECT_GE(y, 0) << html;
            EXPECT_GT(height, 0) << html;
            EXPECT_LE(y + height, 270.01) << html;
        }
        int positive = 0;
        for (int64_t v : values)
            positive += v > 0;
        EXPECT_EQ(bars, positive); // zero and negative draw nothing, 1 next to 2^63 still shows
        EXPECT_EQ(html.find("nan"), std::string::npos);
        EXPECT_EQ(html.find("inf"), std::string::npos);
        // The table holds every value, in order.
        EXPECT_EQ(Count(html, "<tr><td>"), static_cast<int>(values.size()));
    }
}

TEST(SvgChart, NamedForScreenReadersAndEscaped) {
    std::string html = RenderChart(Sample({5, 0, 9}));
    EXPECT_NE(html.find("<svg role=\"img\" aria-labelledby=\"keys-days-t keys-days-d\""),
              std::string::npos);
    EXPECT_NE(html.find("<title id=\"keys-days-t\">Keystrokes per day</title>"), std::string::npos);
    EXPECT_NE(html.find("highest 9 (Day &lt;3&gt;)"), std::string::npos);
    EXPECT_NE(html.find("<tr><td>Day &lt;2&gt;</td><td class=\"n\">0</td></tr>"),
              std::string::npos);
    EXPECT_EQ(html.find("<3"), std::string::npos);
    EXPECT_NE(RenderChart(Sample({0, 0})).find("nothing counted"), std::string::npos);
}
