#include "server/svg_chart.h"

#include "server/website.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace trekhold {

namespace {

// Drawing area in SVG units; the figure scales to its container's width. Where it is drawn
// narrow (a phone, or two charts side by side) the stylesheet makes the text larger (24
// units: about 13 CSS pixels at 330 pixels wide) and leaves out the labels marked minor.
constexpr int kWidth = 600, kHeight = 270;
constexpr int kLeft = 84, kRight = 8, kTop = 40, kBottom = 36;
constexpr int kPlotWidth = kWidth - kLeft - kRight, kPlotHeight = kHeight - kTop - kBottom;

std::string Number(long double v) { // SVG coordinates with one decimal
    char text[32];
    std::snprintf(text, sizeof text, "%.1Lf", v);
    return text;
}

} // namespace

ChartScale NiceScale(long double highest, bool whole) {
    ChartScale scale;
    if (!(highest > 0)) // zero, negative or NaN
        return scale;
    // About four grid lines: the rough step rounded up to 1, 2 or 5 times a power of ten.
    long double rough = highest / 4;
    long double power = std::pow(10.0L, std::floor(std::log10(rough)));
    long double fraction = rough / power;
    long double nice = fraction <= 1 ? 1 : fraction <= 2 ? 2 : fraction <= 5 ? 5 : 10;
    scale.step = nice * power;
    if (whole && scale.step < 1)
        scale.step = 1;
    // The tolerance keeps a top already on a grid line from gaining a step through rounding.
    scale.top = std::max<long double>(1, std::ceil(highest / scale.step - 1e-9L)) * scale.step;
    return scale;
}

std::string TickText(long double value, long double step) {
    static const char* const kSuffixes[] = {"", " k", " M", " G", " T", " P", " E"};
    int group = 0;
    long double divisor = 1;
    while (group < 6 && std::fabs(value) >= divisor * 1000) {
        divisor *= 1000;
        ++group;
    }
    // Decimals enough to tell the grid lines apart.
    long double shown_step = step / divisor;
    int decimals = shown_step >= 1
                       ? 0
                       : std::min(6, static_cast<int>(std::ceil(-std::log10(shown_step) - 1e-9L)));
    char text[64];
    std::snprintf(text, sizeof text, "%.*Lf", decimals, value / divisor);
    std::string out = text;
    if (out.find('.') != std::string::npos) {
        out.erase(out.find_last_not_of('0') + 1);
        if (out.back() == '.')
            out.pop_back();
    }
    return out + kSuffixes[group];
}

std::string RenderChart(const Chart& chart) {
    const long double per_unit = chart.per_unit > 0 ? chart.per_unit : 1;
    int64_t highest = 0;
    for (const ChartBar& bar : chart.bars)
        highest = std::max(highest, bar.value);
    const ChartScale scale = NiceScale(highest / per_unit, chart.whole);
    const std::string id = HtmlEscape(chart.id);
    const std::string title = HtmlEscape(chart.title);

    std::string svg = "<svg role=\"img\" aria-labelledby=\"" + id + "-t " + id +
                      "-d\" viewBox=\"0 0 " + std::to_string(kWidth) + " " +
                      std::to_string(kHeight) +
                      "\" font-family=\"system-ui,sans-serif\" font-size=\"19\" fill=\"#1d2733\">"
                      "<title id=\"" +
                      id + "-t\">" + title + "</title><desc id=\"" + id + "-d\">";
    if (chart.bars.empty()) {
        svg += "No data.";
    } else {
        auto best = std::max_element(
            chart.bars.begin(), chart.bars.end(),
            [](const ChartBar& a, const ChartBar& b) { return a.value < b.value; });
        svg += HtmlEscape(
            chart.bars.front().name + " to " + chart.bars.back().name + ": " +
            (highest > 0 ? "highest " + chart.value_text(best->value) + " (" + best->name + ")."
                         : "nothing counted."));
    }
    svg += "</desc>";

    // Grid lines with their labels, the axis title above the labels.
    const int lines = static_cast<int>(std::lround(static_cast<double>(scale.top / scale.step)));
    for (int i = 0; i <= lines; ++i) {
        long double y = kTop + kPlotHeight - kPlotHeight * (i * scale.step / scale.top);
        svg += "<line x1=\"" + std::to_string(kLeft) + "\" x2=\"" +
               std::to_string(kWidth - kRight) + "\" y1=\"" + Number(y) + "\" y2=\"" + Number(y) +
               "\" stroke=\"" + (i == 0 ? "#1d2733" : "#aab6c2") + "\" stroke-width=\"1\"/>";
        svg += "<text x=\"" + std::to_string(kLeft - 6) + "\" y=\"" + Number(y + 6) +
               "\" text-anchor=\"end\">" + HtmlEscape(TickText(i * scale.step, scale.step)) +
               "</text>";
    }
    if (!chart.unit.empty())
        svg += "<text x=\"" + std::to_string(kLeft - 6) + "\" y=\"" + std::to_string(kTop - 20) +
               "\" text-anchor=\"end\">" + HtmlEscape(chart.unit) + "</text>";

    // Bars: 70 % of their slot, at least 1 unit high when not zero so that a small day shows.
    const long double slot =
        chart.bars.empty() ? kPlotWidth : static_cast<long double>(kPlotWidth) / chart.bars.size();
    for (size_t i = 0; i < chart.bars.size(); ++i) {
        const ChartBar& bar = chart.bars[i];
        const long double x = kLeft + slot * i;
        if (bar.value > 0) {
            long double height =
                std::max<long double>(1, kPlotHeight * (bar.value / per_unit / scale.top));
            svg += "<rect x=\"" + Number(x + slot * 0.15L) + "\" y=\"" +
                   Number(kTop + kPlotHeight - height) + "\" width=\"" + Number(slot * 0.7L) +
                   "\" height=\"" + Number(height) + "\" fill=\"#23415e\"><title>" +
                   HtmlEscape(bar.name + ": " + chart.value_text(bar.value)) + "</title></rect>";
        }
        if (!bar.label.empty())
            svg += "<text x=\"" + Number(x + slot / 2) + "\" y=\"" + std::to_string(kHeight - 10) +
                   "\" text-anchor=\"middle\"" + (bar.minor ? " class=\"minor\"" : "") + ">" +
                   HtmlEscape(bar.label) + "</text>";
    }
    svg += "</svg>";

    std::string table = "<details><summary>" + title +
                        ": the numbers</summary><table><thead><tr>"
                        "<th scope=\"col\">" +
                        HtmlEscape(chart.label_heading) + "</th><th scope=\"col\" class=\"n\">" +
                        HtmlEscape(chart.value_heading) + "</th></tr></thead><tbody>";
    for (const ChartBar& bar : chart.bars)
        table += "<tr><td>" + HtmlEscape(bar.name) + "</td><td class=\"n\">" +
                 HtmlEscape(chart.value_text(bar.value)) + "</td></tr>";
    table += "</tbody></table></details>";
    return "<figure class=\"chart\">" + svg + table + "</figure>";
}

} // namespace trekhold
