// Bar charts drawn on the server as inline SVG: no script, one series, so colour carries no
// meaning (the bars are dark on light, every bar has its value as a tooltip, the axis has
// labelled grid lines). Each chart comes with the same numbers as a table in a <details>
// element, for screen readers and for anyone who wants the exact figures.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace trekhold {

// The value axis: grid lines at 0, step, 2 step, ... up to top (top >= every value).
// Steps are 1, 2 or 5 times a power of ten; `whole` keeps them at least 1 (counts have no
// fractions). An all-zero chart gets the axis 0 to 1.
struct ChartScale {
    long double step = 1, top = 1;
};
ChartScale NiceScale(long double highest, bool whole);

// A grid line's label: values from 1000 on shortened with k, M, G, T, P, E ("1.5 M"); the
// decimals the step needs at that scale, without trailing zeros.
std::string TickText(long double value, long double step);

struct ChartBar {
    std::string label;  // under the bar; empty: none (crowded axes label every few bars)
    std::string name;   // in the table and the tooltip, e.g. "3 December 2026"
    int64_t value = 0;  // raw: centimetres, minutes, counts; negative is drawn as 0
    bool minor = false; // its label is left out on a narrow screen (class "minor")
};

struct Chart {
    std::string id;            // unique in the page: letters, digits and "-"
    std::string title;         // e.g. "Distance per day"
    std::string label_heading; // the table's first column, e.g. "Day"
    std::string value_heading; // its second, e.g. "Distance"
    long double per_unit = 1;  // raw value per unit of the axis (100000 cm per km)
    bool whole = true;         // the axis unit is not divided (keys, clicks)
    std::string unit;          // after the axis labels' title, e.g. "km"; may be empty
    std::function<std::string(int64_t)> value_text; // the exact text of a raw value
    std::vector<ChartBar> bars;
};

// The <figure> holding the SVG and its table. Texts are escaped here.
std::string RenderChart(const Chart& chart);

} // namespace trekhold
