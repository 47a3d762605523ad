#include "tools/demo/spectrum_plot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace lineio::demo {

namespace {

constexpr double Left = 70;
constexpr double Right = 20;
constexpr double Top = 40;
constexpr double Bottom = 50;
constexpr int XTicks = 8;
constexpr int FewestYTicks = 4;
constexpr double PeakShare = 0.1;
constexpr double Headroom = 1.1;

std::string Number(const char* format, double value) {
  char text[32];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// Places values into the plot area.
struct Scale {
  double MaxHertz;
  double MaxMagnitude;
  int YTicks;
  double X(double hertz) const { return Left + (PlotWidth - Left - Right) * hertz / MaxHertz; }
  double Y(double magnitude) const {
    return PlotHeight - Bottom - (PlotHeight - Top - Bottom) * magnitude / MaxMagnitude;
  }
};

void WriteAxes(std::ostream& out, const Scale& scale) {
  const double x0 = scale.X(0);
  const double y0 = scale.Y(0);
  out << "<g stroke=\"black\" stroke-width=\"1\">\n"
      << "<line x1=\"" << x0 << "\" y1=\"" << y0 << "\" x2=\"" << scale.X(scale.MaxHertz) << "\" y2=\"" << y0
      << "\"/>\n<line x1=\"" << x0 << "\" y1=\"" << y0 << "\" x2=\"" << x0 << "\" y2=\""
      << scale.Y(scale.MaxMagnitude) << "\"/>\n";
  for (int i = 0; i <= XTicks; ++i) {
    const double x = scale.X(scale.MaxHertz * i / XTicks);
    out << "<line x1=\"" << x << "\" y1=\"" << y0 << "\" x2=\"" << x << "\" y2=\"" << y0 + 5 << "\"/>\n";
  }
  for (int i = 0; i <= scale.YTicks; ++i) {
    const double y = scale.Y(scale.MaxMagnitude * i / scale.YTicks);
    out << "<line x1=\"" << x0 - 5 << "\" y1=\"" << y << "\" x2=\"" << x0 << "\" y2=\"" << y << "\"/>\n";
  }
  out << "</g>\n<g font-family=\"sans-serif\" font-size=\"12\" fill=\"black\">\n";
  for (int i = 0; i <= XTicks; ++i) {
    const double hertz = scale.MaxHertz * i / XTicks;
    out << "<text x=\"" << scale.X(hertz) << "\" y=\"" << y0 + 18 << "\" text-anchor=\"middle\">"
        << Number("%.0f", hertz) << "</text>\n";
  }
  for (int i = 0; i <= scale.YTicks; ++i) {
    const double magnitude = scale.MaxMagnitude * i / scale.YTicks;
    out << "<text x=\"" << x0 - 8 << "\" y=\"" << scale.Y(magnitude) + 4 << "\" text-anchor=\"end\">"
        << Number("%.2f", magnitude) << "</text>\n";
  }
  out << "<text x=\"" << scale.X(scale.MaxHertz / 2) << "\" y=\"" << PlotHeight - 10
      << "\" text-anchor=\"middle\">frequency (Hz)</text>\n"
      << "<text x=\"15\" y=\"" << scale.Y(scale.MaxMagnitude / 2)
      << "\" text-anchor=\"middle\" transform=\"rotate(-90 15 " << scale.Y(scale.MaxMagnitude / 2)
      << ")\">magnitude</text>\n"
      << "<text x=\"" << PlotWidth / 2 << "\" y=\"22\" text-anchor=\"middle\" font-size=\"15\">"
      << "Spectrum (FFTP32) of the demo's two tones</text>\n</g>\n";
}

// A magnitude axis that ends on a round number above the largest value, with
// ticks at round steps.
Scale ScaleFor(std::size_t bins, double hertzPerBin, double largest) {
  const double top = std::max(1e-6, largest * Headroom);
  double unit = std::pow(10.0, std::floor(std::log10(top)));
  double maxMagnitude = std::ceil(top / unit) * unit;
  int ticks = static_cast<int>(std::lround(maxMagnitude / unit));
  if (ticks < FewestYTicks) {
    unit /= 2;
    maxMagnitude = std::ceil(top / unit) * unit;
    ticks = static_cast<int>(std::lround(maxMagnitude / unit));
  }
  return {static_cast<double>(bins) * hertzPerBin, maxMagnitude, ticks};
}

}  // namespace

std::vector<Peak> FindPeaks(std::span<const float> magnitudes, double hertzPerBin) {
  std::vector<Peak> peaks;
  if (magnitudes.size() < 3) return peaks;
  const float largest = *std::max_element(magnitudes.begin() + 1, magnitudes.end());
  for (std::size_t k = 1; k + 1 < magnitudes.size(); ++k) {
    const float m = magnitudes[k];
    if (m > magnitudes[k - 1] && m >= magnitudes[k + 1] && m > PeakShare * largest) {
      peaks.push_back({k, static_cast<double>(k) * hertzPerBin, m});
    }
  }
  return peaks;
}

void WriteSpectrumSvg(std::ostream& out, std::span<const float> magnitudes, double hertzPerBin,
                      const std::vector<Peak>& peaks) {
  const float largest = magnitudes.empty() ? 1.0F : *std::max_element(magnitudes.begin(), magnitudes.end());
  const Scale scale = ScaleFor(magnitudes.size(), hertzPerBin, largest);
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << PlotWidth << "\" height=\"" << PlotHeight
      << "\" viewBox=\"0 0 " << PlotWidth << ' ' << PlotHeight << "\">\n"
      << "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
  WriteAxes(out, scale);
  out << "<polyline fill=\"none\" stroke=\"#1f5fbf\" stroke-width=\"1.5\" points=\"";
  for (std::size_t k = 0; k < magnitudes.size(); ++k) {
    out << Number("%.1f", scale.X(static_cast<double>(k) * hertzPerBin)) << ','
        << Number("%.1f", scale.Y(magnitudes[k])) << ' ';
  }
  out << "\"/>\n<g font-family=\"sans-serif\" font-size=\"12\" fill=\"#b01010\">\n";
  for (const Peak& peak : peaks) {
    const double x = scale.X(peak.Hertz);
    const double y = scale.Y(peak.Magnitude);
    out << "<circle cx=\"" << x << "\" cy=\"" << y << "\" r=\"4\"/>\n<text x=\"" << x + 7 << "\" y=\""
        << y - 6 << "\">" << Number("%.0f Hz", peak.Hertz) << ", " << Number("%.3f", peak.Magnitude)
        << "</text>\n";
  }
  out << "</g>\n</svg>\n";
}

}  // namespace lineio::demo
