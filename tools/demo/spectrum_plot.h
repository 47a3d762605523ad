// The demo's spectrum as a picture: an SVG of the magnitudes that FFTP32
// gave, with both axes, their ticks and labels, and each peak marked and
// labelled with its frequency and magnitude.
#pragma once

#include <ostream>
#include <span>
#include <vector>

namespace lineio::demo {

inline constexpr int PlotWidth = 800;
inline constexpr int PlotHeight = 400;

struct Peak {
  std::size_t Bin;
  double Hertz;
  double Magnitude;
};

// The bins (from 1 on) that stand above both neighbours and above a tenth of
// the largest magnitude.
std::vector<Peak> FindPeaks(std::span<const float> magnitudes, double hertzPerBin);

// magnitudes[k] is frequency bin k, k from 0 to n/2.
void WriteSpectrumSvg(std::ostream& out, std::span<const float> magnitudes, double hertzPerBin,
                      const std::vector<Peak>& peaks);

}  // namespace lineio::demo
