#include "svg_plot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kaf_tool {

namespace {

constexpr double kWidth = 880, kHeight = 460;
constexpr double kLeft = 76, kRight = 28, kTop = 70, kBottom = 62;
constexpr double kPlotWidth = kWidth - kLeft - kRight;
constexpr double kPlotHeight = kHeight - kTop - kBottom;
// Markers are drawn on each sample while the plot is sparse enough to show them.
constexpr size_t kMaxMarkers = 120;

std::string Format(const char* format, double a, double b = 0, double c = 0, double d = 0) {
    char buffer[160];
    std::snprintf(buffer, sizeof buffer, format, a, b, c, d);
    return buffer;
}

struct Axis {
    double low, high, step;
    int decimals;

    static Axis Make(double low, double high, int ticks, bool exact) {
        if (!(high > low)) high = low + 1;
        double step = NiceStep(high - low, ticks);
        Axis axis{low, high, step, 0};
        if (!exact) {
            axis.low = std::floor(low / step + 1e-9) * step;
            axis.high = std::ceil(high / step - 1e-9) * step;
        }
        axis.decimals = std::max(0, -static_cast<int>(std::floor(std::log10(step) + 1e-9)));
        return axis;
    }
    std::vector<double> Ticks() const {
        std::vector<double> ticks;
        for (double i = std::ceil(low / step - 1e-9);; i += 1) {
            double v = i * step;
            if (v > high + step * 1e-6) break;
            ticks.push_back(std::fabs(v) < step * 1e-9 ? 0.0 : v);
        }
        return ticks;
    }
    std::string Label(double v) const {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.*f", decimals, v);
        return buffer;
    }
};

void Grid(std::string& svg, const Axis& ax, const Axis& ay) {
    svg += "<g stroke=\"#e4e7eb\" stroke-width=\"1\">\n";
    for (double v : ax.Ticks()) {
        double px = kLeft + (v - ax.low) / (ax.high - ax.low) * kPlotWidth;
        svg += Format("<line x1=\"%.2f\" y1=\"%.2f\" x2=\"%.2f\" y2=\"%.2f\"/>\n", px, kTop, px, kTop + kPlotHeight);
    }
    for (double v : ay.Ticks()) {
        double py = kTop + kPlotHeight - (v - ay.low) / (ay.high - ay.low) * kPlotHeight;
        svg += Format("<line x1=\"%.2f\" y1=\"%.2f\" x2=\"%.2f\" y2=\"%.2f\"/>\n", kLeft, py, kLeft + kPlotWidth, py);
    }
    svg += "</g>\n";
}

void AxesAndLabels(std::string& svg, const LinePlot& plot, const Axis& ax, const Axis& ay) {
    double bottom = kTop + kPlotHeight;
    svg += "<g stroke=\"#3e4c59\" stroke-width=\"1\">\n";
    svg += Format("<line x1=\"%.2f\" y1=\"%.2f\" x2=\"%.2f\" y2=\"%.2f\"/>\n", kLeft, bottom, kLeft + kPlotWidth, bottom);
    svg += Format("<line x1=\"%.2f\" y1=\"%.2f\" x2=\"%.2f\" y2=\"%.2f\"/>\n", kLeft, kTop, kLeft, bottom);
    for (double v : ax.Ticks()) {
        double px = kLeft + (v - ax.low) / (ax.high - ax.low) * kPlotWidth;
        svg += Format("<line x1=\"%.2f\" y1=\"%.2f\" x2=\"%.2f\" y2=\"%.2f\"/>\n", px, bottom, px, bottom + 5);
    }
    for (double v : ay.Ticks()) {
        double py = bottom - (v - ay.low) / (ay.high - ay.low) * kPlotHeight;
        svg += Format("<line x1=\"%.2f\" y1=\"%.2f\" x2=\"%.2f\" y2=\"%.2f\"/>\n", kLeft - 5, py, kLeft, py);
    }
    svg += "</g>\n<g font-size=\"11\" fill=\"#52606d\">\n";
    for (double v : ax.Ticks()) {
        double px = kLeft + (v - ax.low) / (ax.high - ax.low) * kPlotWidth;
        svg += Format("<text x=\"%.2f\" y=\"%.2f\" text-anchor=\"middle\">", px, bottom + 19) + ax.Label(v) + "</text>\n";
    }
    for (double v : ay.Ticks()) {
        double py = bottom - (v - ay.low) / (ay.high - ay.low) * kPlotHeight;
        svg += Format("<text x=\"%.2f\" y=\"%.2f\" text-anchor=\"end\">", kLeft - 9, py + 4) + ay.Label(v) + "</text>\n";
    }
    svg += "</g>\n<g font-size=\"13\" fill=\"#323f4b\">\n";
    svg += Format("<text x=\"%.2f\" y=\"%.2f\" text-anchor=\"middle\">", kLeft + kPlotWidth / 2, kHeight - 16) +
           EscapeMarkup(plot.xLabel) + "</text>\n";
    svg += Format("<text x=\"%.2f\" y=\"%.2f\" text-anchor=\"middle\" transform=\"rotate(-90 %.2f %.2f)\">", 20,
                  kTop + kPlotHeight / 2, 20, kTop + kPlotHeight / 2) +
           EscapeMarkup(plot.yLabel) + "</text>\n</g>\n";
}

void Series(std::string& svg, const PlotSeries& series, const Axis& ax, const Axis& ay, bool markers) {
    std::string path;
    std::string dots;
    bool pen = false;
    for (size_t i = 0; i < series.x.size() && i < series.y.size(); ++i) {
        if (std::isnan(series.y[i]) || std::isnan(series.x[i])) {
            pen = false;
            continue;
        }
        double px = kLeft + (series.x[i] - ax.low) / (ax.high - ax.low) * kPlotWidth;
        double py = kTop + kPlotHeight - (series.y[i] - ay.low) / (ay.high - ay.low) * kPlotHeight;
        path += Format(pen ? "L%.2f %.2f " : "M%.2f %.2f ", px, py);
        pen = true;
        if (markers) dots += Format("<circle cx=\"%.2f\" cy=\"%.2f\" r=\"2.6\"/>", px, py);
    }
    svg += "<path fill=\"none\" stroke=\"" + series.colour +
           "\" stroke-width=\"1.8\" stroke-linejoin=\"round\" stroke-linecap=\"round\" d=\"" + path + "\"/>\n";
    if (!dots.empty()) svg += "<g fill=\"" + series.colour + "\">" + dots + "</g>\n";
}

void Legend(std::string& svg, const LinePlot& plot) {
    double rowHeight = 18;
    double width = 0;
    for (const auto& s : plot.series) width = std::max(width, 7.0 * static_cast<double>(s.label.size()));
    width += 44;
    double x = kLeft + kPlotWidth - width - 10, y = kTop + 10;
    svg += Format("<rect x=\"%.2f\" y=\"%.2f\" width=\"%.2f\" height=\"%.2f\" rx=\"4\" fill=\"#ffffff\" "
                  "fill-opacity=\"0.9\" stroke=\"#cbd2d9\"/>\n",
                  x, y, width, rowHeight * static_cast<double>(plot.series.size()) + 8);
    for (size_t i = 0; i < plot.series.size(); ++i) {
        double cy = y + 13 + rowHeight * static_cast<double>(i);
        svg += Format("<line x1=\"%.2f\" y1=\"%.2f\" x2=\"%.2f\" y2=\"%.2f\" stroke-width=\"2.5\" ", x + 8, cy, x + 28, cy) +
               "stroke=\"" + plot.series[i].colour + "\"/>\n";
        svg += Format("<text x=\"%.2f\" y=\"%.2f\" font-size=\"12\" fill=\"#323f4b\">", x + 34, cy + 4) +
               EscapeMarkup(plot.series[i].label) + "</text>\n";
    }
}

}  // namespace

std::string EscapeMarkup(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

double NiceStep(double range, int ticks) {
    if (!(range > 0) || !std::isfinite(range)) return 1;
    double raw = range / std::max(1, ticks);
    double power = std::pow(10.0, std::floor(std::log10(raw)));
    double fraction = raw / power;
    double nice = fraction < 1.5 ? 1 : fraction < 3.5 ? 2 : fraction < 7.5 ? 5 : 10;
    return nice * power;
}

std::string RenderSvg(const LinePlot& plot) {
    Axis ax = Axis::Make(plot.xMin, plot.xMax, 10, false);
    Axis ay = Axis::Make(plot.yMin, plot.yMax, 6, plot.exactY);
    size_t points = 0;
    for (const auto& s : plot.series) points += s.x.size();

    std::string svg = Format("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%.0f\" height=\"%.0f\" "
                             "viewBox=\"0 0 %.0f %.0f\" font-family=\"Helvetica, Arial, sans-serif\">\n",
                             kWidth, kHeight, kWidth, kHeight);
    svg += "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n";
    svg += Format("<text x=\"%.2f\" y=\"30\" font-size=\"17\" font-weight=\"600\" fill=\"#1f2933\">", kLeft) +
           EscapeMarkup(plot.title) + "</text>\n";
    svg += Format("<text x=\"%.2f\" y=\"50\" font-size=\"12\" fill=\"#616e7c\">", kLeft) + EscapeMarkup(plot.subtitle) +
           "</text>\n";
    svg += Format("<rect x=\"%.2f\" y=\"%.2f\" width=\"%.2f\" height=\"%.2f\" fill=\"#f8fafc\"/>\n", kLeft, kTop,
                  kPlotWidth, kPlotHeight);
    Grid(svg, ax, ay);
    svg += Format("<clipPath id=\"plot-area\"><rect x=\"%.2f\" y=\"%.2f\" width=\"%.2f\" height=\"%.2f\"/></clipPath>\n",
                  kLeft - 3, kTop - 3, kPlotWidth + 6, kPlotHeight + 6);
    svg += "<g clip-path=\"url(#plot-area)\">\n";
    for (const auto& s : plot.series) Series(svg, s, ax, ay, points <= kMaxMarkers);
    svg += "</g>\n";
    AxesAndLabels(svg, plot, ax, ay);
    if (points == 0) {
        svg += Format("<text x=\"%.2f\" y=\"%.2f\" text-anchor=\"middle\" font-size=\"15\" fill=\"#9aa5b1\">",
                      kLeft + kPlotWidth / 2, kTop + kPlotHeight / 2) +
               EscapeMarkup(plot.emptyNote) + "</text>\n";
    }
    if (plot.series.size() > 1) Legend(svg, plot);
    svg += "</svg>\n";
    return svg;
}

}  // namespace kaf_tool
