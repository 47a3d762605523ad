#include "tools/demo/session.h"

#include <chrono>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <numbers>
#include <stdexcept>
#include <vector>

#include "lineio.h"
#include "portio/board_description.h"
#include "portio/bus.h"
#include "sim/default_bus.h"
#include "sim/line_board.h"
#include "sim/serial_devices.h"
#include "sim/simulated_driver.h"
#include "sim/trace_format.h"
#include "tools/demo/spectrum_plot.h"
#include "tools/vcd/bus_waveform.h"

namespace lineio::demo {

namespace {

// Prints the register accesses that reached the board since the last call:
// the first ones, eight to a line, and how many there were.
void PrintBoardSaw(sim::SimulatedDriver& driver) {
  constexpr std::size_t Shown = 24;
  constexpr std::size_t PerLine = 8;
  const std::vector<sim::RegisterAccess> trace = driver.Trace();
  std::printf("  board saw %zu register access%s", trace.size(), trace.size() == 1 ? "" : "es");
  for (std::size_t i = 0; i < trace.size() && i < Shown; ++i) {
    std::printf("%s%s", i % PerLine == 0 ? "\n   " : "  ", sim::FormatAccess(trace[i]).c_str());
  }
  std::printf("%s\n", trace.size() > Shown ? "  ..." : "");
  driver.ClearTrace();
}

void Step(const char* what) { std::printf("\n%s\n", what); }

// The status tick of the simulated board toggles on every this many reads of
// StatReg, so that HdTimer and Click come to an end.
constexpr std::uint32_t TickEveryReads = 500;

constexpr sim::DeviceId AllDevices[] = {sim::DeviceId::Freq1,  sim::DeviceId::Freq2,   sim::DeviceId::Level,
                                        sim::DeviceId::Direct, sim::DeviceId::SigSw,   sim::DeviceId::BellDa,
                                        sim::DeviceId::Relay,  sim::DeviceId::Current, sim::DeviceId::XBank0,
                                        sim::DeviceId::XBank1};

sim::LineBoard& OwnBoard(sim::SimBus& bus) {
  for (int index = 0; index < bus.CardCount(); ++index) {
    auto* board = dynamic_cast<sim::LineBoard*>(&bus.Card(index));
    if (board != nullptr && board->Vendor() == ThisBoard().Vendor && board->Device() == ThisBoard().Device)
      return *board;
  }
  throw std::logic_error("the default bus holds no board of this deliverable");
}

// Runs one host call and says what it was and how long it took.
void Call(const char* what, const std::function<void()>& call) {
  const auto start = std::chrono::steady_clock::now();
  call();
  const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
  std::printf("  %-34s %6.1f ms\n", what, took.count());
}

// How many register accesses the board saw since the last call.
void CountBoardSaw(sim::SimulatedDriver& driver) {
  std::printf("  board saw %zu register accesses\n", driver.Trace().size());
  driver.ClearTrace();
}

void PrintDevices(const sim::LineBoard& board) {
  std::printf("  what every device took:\n");
  for (const sim::DeviceId device : AllDevices) {
    const sim::DeviceRecord& record = board.Device(device);
    const int digits = (sim::DeviceWidth(device) + 3) / 4;
    std::printf("    %-8s %2d bits  %0*" PRIx64 "  (%" PRIu64 " load%s)\n", sim::DeviceName(device),
                sim::DeviceWidth(device), digits, record.LastValue, record.Loads,
                record.Loads == 1 ? "" : "s");
  }
}

// Writes and reads logical ports, showing the board's output latch next to
// what PortQinp remembers, and inputs the board presents next to PortIinp.
void LogicalPortSession(sim::SimulatedDriver& driver, sim::LineBoard& board) {
  Step("Logical ports: outputs latched on the board, remembered by the library");
  struct Write {
    std::uint16_t Port;
    std::uint16_t Value;
  };
  for (const Write& w : {Write{3, 0x5A}, Write{16, 0x1A5}, Write{53, 0x77}, Write{69, 0x81}, Write{80, 0x12},
                         Write{133, 0x34}, Write{22, 0x99}}) {
    const int32_t result = PortOut(w.Port, w.Value);
    const bool rejected = result == 1 && w.Port != 1;
    if (rejected) {
      std::printf("  PortOut(%3u, 0x%03x) = %2d  rejected: this board has no port %u\n", w.Port, w.Value,
                  result, w.Port);
    } else {
      std::printf("  PortOut(%3u, 0x%03x) = %2d  board latch 0x%02x, PortQinp = 0x%03x\n", w.Port, w.Value,
                  result, board.OutputLatch(w.Port), PortQinp(w.Port));
    }
  }
  BitOn(16, 9);
  BitOff(16, 0);
  std::printf("  BitOn(16, 9), BitOff(16, 0): board latch 0x%02x, PortQinp = 0x%03x, TestQbit(16, 9) = %u\n",
              board.OutputLatch(16), PortQinp(16), TestQbit(16, 9));
  board.SetInput(37, 0x5A);
  board.SetInput(3, 0xC3);
  std::printf(
      "  the board presents 0x5a on input 37 and 0xc3 on input 3: PortIinp(37) = 0x%02x, "
      "PortIinp(3) = 0x%02x, TestIbit(37, 1) = %u\n",
      PortIinp(37), PortIinp(3), TestIbit(37, 1));
  uint16_t block[16];
  for (uint16_t& w : block) w = 0xAAAA;
  GetIOBlockData(0x20, block);
  std::printf("  GetIOBlockData(0x20):");
  for (const uint16_t w : block) std::printf(" %04x", w);
  std::printf("\n");
  CountBoardSaw(driver);
}

void LineTestSession(sim::SimulatedDriver& driver, sim::LineBoard& board) {
  Step("Line test session: load the board's serial devices");
  std::uint16_t exchange = 0;
  PortOut(LineSerialPort, 0x80);
  std::printf("  PortOut(36, 0x80): bit 7 of the line port is not a bus bit; the controls keep it\n");
  Call("ContRelay(0x8421)", [] { ContRelay(0x8421); });
  Call("LineCurrent(0x35)", [] { LineCurrent(0x35); });
  Call("ContFreq(1, 0x1234)", [] { ContFreq(1, 0x1234); });
  Call("ContFreq(2, 0x0abc)", [] { ContFreq(2, 0x0ABC); });
  Call("ContLevel(0x2a15)", [] { ContLevel(0x2A15); });
  Call("ContSigSW(0x15a) (8 bits taken)", [] { ContSigSW(0x15A); });
  Call("ContBellDA(0x0400)", [] { ContBellDA(0x0400); });
  Call("ContDirect(0xbeef)", [] { ContDirect(0xBEEF); });
  Call("ExchgLine(0, \"A5123489AB\")", [&exchange] { exchange = ExchgLine(0, "A5123489AB"); });
  std::printf("  ExchgLine gave 0x%04x; ExchgLine(1, \"A5123489AG\") gives 0x%04x and touches nothing\n",
              exchange, ExchgLine(1, "A5123489AG"));
  std::printf("  PortQinp(36) = 0x%02x, PortQinp(37) = 0x%02x: the serial ports are idle again\n",
              PortQinp(LineSerialPort), PortQinp(37));
  CountBoardSaw(driver);

  Step("Board ticks: HdTimer and Click");
  board.SetTickEvery(TickEveryReads);
  std::uint16_t status = 0;
  const std::uint64_t ticksBefore = board.Ticks();
  Call("HdTimer(3)", [&status] { status = HdTimer(3); });
  std::printf("  HdTimer gave 0x%04x after %" PRIu64 " ticks of the board\n", status,
              board.Ticks() - ticksBefore);
  Call("Click(7) (7 - 5 = 2 ticks)", [] { Click(7); });
  const std::vector<sim::ClickChange>& changes = board.ClickChanges();
  if (changes.size() >= 2) {
    std::printf("  the click output was high for %" PRIu64 " ticks; PortQinp(35) = 0x%02x\n",
                changes.back().Tick - changes[changes.size() - 2].Tick, PortQinp(ClickPort));
  }
  CountBoardSaw(driver);
  PrintDevices(board);
}

// The spectrum step: two tones of known frequency and amplitude, sampled at
// SampleRate; FFTP32 gives half of each amplitude at the tone's bin.
constexpr std::uint16_t SpectrumSamples = 1024;
constexpr double SampleRate = 8192.0;
constexpr double HertzPerBin = SampleRate / SpectrumSamples;
struct Tone {
  double Hertz;
  double Amplitude;
};
constexpr Tone Tones[] = {{512.0, 1.0}, {1600.0, 0.25}};
constexpr std::uint16_t RectangularWindow = 1;
constexpr std::uint16_t Forward = 0;

// Gives the magnitudes of bins 0 to n/2 - 1.
std::vector<float> SpectrumSession() {
  Step("Spectrum: FFTK32, FFT32 and FFTP32 of 512 Hz (amplitude 1) and 1600 Hz (0.25), 8192 samples/s");
  // The arrays are used from element 1 on (docs/transform.md).
  const std::size_t size = SpectrumSamples + 1;
  std::vector<float> cosine(size), sine(size), real(size), imaginary(size), samples(size);
  std::vector<std::uint16_t> permutation(size);
  for (std::size_t i = 1; i < size; ++i) {
    const double t = static_cast<double>(i - 1) / SampleRate;
    double value = 0;
    for (const Tone& tone : Tones) value += tone.Amplitude * std::sin(2 * std::numbers::pi * tone.Hertz * t);
    samples[i] = static_cast<float>(value);
  }
  FFTK32(SpectrumSamples, cosine.data(), sine.data(), permutation.data());
  FFT32(SpectrumSamples, cosine.data(), sine.data(), real.data(), imaginary.data(), permutation.data(),
        RectangularWindow, samples.data(), Forward);
  FFTP32(SpectrumSamples, real.data(), imaginary.data());
  // Element k + 1 holds frequency bin k.
  std::vector<float> magnitudes(real.begin() + 1, real.begin() + 1 + SpectrumSamples / 2);
  for (const Peak& peak : FindPeaks(magnitudes, HertzPerBin)) {
    std::printf("  peak at %4.0f Hz (bin %3zu): magnitude %.3f\n", peak.Hertz, peak.Bin, peak.Magnitude);
  }
  return magnitudes;
}

bool WriteSpectrum(const std::string& directory, const std::vector<float>& magnitudes) {
  const std::string path = directory + "/spectrum.svg";
  std::ofstream out(path);
  WriteSpectrumSvg(out, magnitudes, HertzPerBin, FindPeaks(magnitudes, HertzPerBin));
  out.close();
  if (!out) {
    std::fprintf(stderr, "lineio-demo: cannot write %s\n", path.c_str());
    return false;
  }
  std::printf("  wrote %s\n", path.c_str());
  return true;
}

// The session's waveforms: every register access the board sees, one
// microsecond apart.
class SessionWaveform {
 public:
  SessionWaveform(const std::string& path, sim::SimulatedDriver& driver) : path_(path), out_(path) {
    waveform_ = std::make_unique<vcd::BusWaveform>(out_, WatchedRegisters{0x310, 0x312, 0x314, 0x316});
    driver.SetAccessObserver([this](const sim::RegisterAccess& access) {
      waveform_->Access(time_++, access.Direction == sim::AccessDirection::Write ? 'W' : 'R', access.Offset,
                        access.Width, access.Value);
    });
  }
  bool Finish() {
    waveform_->Finish(time_);
    out_.close();
    if (!out_) {
      std::fprintf(stderr, "lineio-demo: cannot write %s\n", path_.c_str());
      return false;
    }
    std::printf("  wrote %s (%llu us of simulated time)\n", path_.c_str(),
                static_cast<unsigned long long>(time_));
    return true;
  }

 private:
  std::string path_;
  std::ofstream out_;
  std::unique_ptr<vcd::BusWaveform> waveform_;
  std::uint64_t time_ = 0;
};

}  // namespace

int RunSession(const std::string& plotDirectory) {
  sim::SimBus bus;
  sim::PopulateDefaultBus(bus);
  sim::SimulatedDriver driver(bus);
  driver.Install();
  std::unique_ptr<SessionWaveform> waveform;
  if (!plotDirectory.empty())
    waveform = std::make_unique<SessionWaveform>(plotDirectory + "/session.vcd", driver);
  std::printf("lineio demo: a host session with the %s board on a simulated PCI bus of %d cards\n",
              ThisBoard().Name, bus.CardCount());

  Step("PortInit(0): open the driver and the board");
  const int32_t opened = PortInit(0);
  std::printf("  host got %d; Test(0) = 0x%04x, CheckPCtype() = %d\n", opened, Test(0), CheckPCtype());
  PrintBoardSaw(driver);
  if (opened == 0) return 1;

  Step("Raw register access on the board's register set (0x310..0x316)");
  OutB(0x310, 0x1A5);
  OutW(0x312, 0xBEEF);
  std::printf("  OutB(0x310, 0x1a5), OutW(0x312, 0xbeef)\n");
  const uint16_t byte = InpB(0x310);
  const uint16_t word = InpW(0x312);
  const uint32_t dword = InpD(0x310);
  std::printf("  host read InpB(0x310) = 0x%02x, InpW(0x312) = 0x%04x, InpD(0x310) = 0x%08x\n", byte, word,
              dword);
  PrintBoardSaw(driver);

  Step("Test2: the host's link check");
  uint8_t text[11] = {0};
  const uint16_t length = Test2(text);
  std::printf("  Test2 wrote \"%s\" and returned %u\n", reinterpret_cast<const char*>(text), length);

  LogicalPortSession(driver, OwnBoard(bus));
  LineTestSession(driver, OwnBoard(bus));
  const std::vector<float> magnitudes = SpectrumSession();

  Step("PortEnd(): release the board and the driver");
  const int32_t closed = PortEnd();
  std::printf("  host got %d; driver handles open: %d, cards registered: %d\n", closed, driver.OpenHandles(),
              driver.Registrations());
  bool plotted = true;
  if (waveform) {
    Step("Plots");
    plotted = WriteSpectrum(plotDirectory, magnitudes) && waveform->Finish();
  }
  driver.Uninstall();
  return plotted && closed != 0 && driver.OpenHandles() == 0 && driver.Registrations() == 0 ? 0 : 1;
}

}  // namespace lineio::demo
