// The 37 exports in fuzzed sequences with fuzzed arguments, on the simulated
// bus with the deliverable's own board (built once per board).
//
// Every array an export is given is a heap block of exactly the elements the
// export may touch, so AddressSanitizer reports any access outside it. The
// clock makes the calibration give a DelayCount of 0, so the busy waits cost
// nothing; the Escape key goes down after a bounded number of samples in each
// call, so no tick wait can hang when the register set does not meet the
// board. At the end of each input PortEnd must leave nothing held, and when
// the board followed every register set and no raw write went to it, the
// board must have decoded every access.
//
// Input: four header bytes, then steps of an operation byte and its
// arguments (little-endian, zeros past the end of the input):
//   flags   bit 0: the board is locked by another user (PortInit opens none)
//           bit 1: the driver device is missing
//           bit 2: the keyboard says PC-98
//           bit 3: the board moves to the register set of every PortInit
//           before it runs
//   tick    the board's tick toggles every (tick mod 9) reads of StatReg; 0
//           stops it
//   escape  the Escape key is down from sample escape + 1 of each call
//   faults  driver faults (fuzz/driver_faults.h)
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "board/board.h"
#include "board/process_state.h"
#include "fuzz/driver_faults.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/harness_support.h"
#include "lineio.h"
#include "platform/overrides.h"
#include "portio/board_description.h"
#include "portio/machine_kind.h"
#include "sim/default_bus.h"
#include "sim/line_board.h"
#include "sim/sim_bus.h"
#include "sim/simulated_driver.h"

namespace lineio::fuzz {

namespace {

constexpr std::uint8_t FlagLocked = 0x1;
constexpr std::uint8_t FlagDeviceMissing = 0x2;
constexpr std::uint8_t FlagPc98 = 0x4;
constexpr std::uint8_t FlagFollowRegisters = 0x8;
constexpr std::uint32_t TickChoices = 9;
constexpr std::int32_t Pc98Subtype = 0x0D01;
constexpr std::int32_t AtSubtype = 0;
// Each clock reading lies 40 s after the one before: the calibration then
// gives a DelayCount of 0.
constexpr double ClockStepMs = 40000.0;
constexpr std::uint16_t EscapeDown = 0x8000;
// PortInit calibrates its waits with millions of loop passes whatever the
// clock says; a few calls per input keep the runs fast.
constexpr int MaxPortInits = 2;
constexpr std::size_t BlockWords = 16;
constexpr std::size_t TestDigits = 10;
// A pattern length byte of this value passes a null pattern.
constexpr std::uint8_t NullPatternLength = 0xFF;

// An array of exactly `count` elements on the heap, or none (a null pointer).
template <typename T>
class ExactArray {
 public:
  ExactArray(std::size_t count, bool null) : elements_(null ? nullptr : new T[count]) {}
  T* Get() const { return elements_.get(); }

 private:
  std::unique_ptr<T[]> elements_;
};

template <typename T>
void FillArray(T* array, std::size_t count, std::uint32_t seed) {
  if (array == nullptr) return;
  FillSequence sequence(seed);
  for (std::size_t i = 0; i < count; ++i) array[i] = static_cast<T>(sequence.Next());
}

// Floats from a seed: any bit pattern (NaN and infinity included) when the
// seed is odd, otherwise moderate values.
void FillFloats(float* array, std::size_t count, std::uint32_t seed) {
  if (array == nullptr) return;
  FillSequence sequence(seed);
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t bits = sequence.Next();
    if ((seed & 1u) != 0) {
      std::memcpy(&array[i], &bits, sizeof bits);
    } else {
      array[i] = static_cast<float>(static_cast<std::int32_t>(bits)) / 65536.0f;
    }
  }
}

struct Run {
  FuzzInput& In;
  sim::LineBoard& Board;
  bool FollowRegisters;
  // Standard output is shown: each step prints its name, HdTimer its result.
  bool Verbose;
  int PortInits = 0;
  // A raw write may put anything into the board's registers.
  bool RawWrites = false;
};

void CallPortInit(Run& run) {
  const auto board = static_cast<std::int32_t>(run.In.Dword());
  if (++run.PortInits > MaxPortInits) return;
  // The board answers at the register set this PortInit selects, from its
  // first access on.
  if (run.FollowRegisters) run.Board.SetRegisterBase(RegisterSetFor(board, IsPc98Family()).DataReg);
  PortInit(board);
}
void CallPortEnd(Run&) { PortEnd(); }
void CallCheckPCtype(Run&) { CheckPCtype(); }
void CallTest(Run& run) { Test(static_cast<std::int32_t>(run.In.Dword())); }
void CallTest2(Run& run) {
  const ExactArray<std::uint8_t> buffer(TestDigits, (run.In.Byte() & 1u) != 0);
  Require(Test2(buffer.Get()) == TestDigits + 1, "Test2 gives 11");
}

void CallInpB(Run& run) { InpB(run.In.Word()); }
void CallInpW(Run& run) { InpW(run.In.Word()); }
void CallInpD(Run& run) { InpD(run.In.Word()); }
void CallOutB(Run& run) {
  run.RawWrites = true;
  const std::uint16_t offset = run.In.Word();
  OutB(offset, run.In.Word());
}
void CallOutW(Run& run) {
  run.RawWrites = true;
  const std::uint16_t offset = run.In.Word();
  OutW(offset, run.In.Word());
}
void CallOutD(Run& run) {
  run.RawWrites = true;
  const std::uint16_t offset = run.In.Word();
  OutD(offset, run.In.Dword());
}

void CallPortOut(Run& run) {
  const std::uint16_t port = run.In.Word();
  PortOut(port, run.In.Word());
}
void CallPortQinp(Run& run) { PortQinp(run.In.Word()); }
void CallPortIinp(Run& run) { PortIinp(run.In.Word()); }
void CallAllOutClear(Run&) { AllOutClear(); }
void CallBitOn(Run& run) {
  const std::uint16_t port = run.In.Word();
  BitOn(port, run.In.Word());
}
void CallBitOff(Run& run) {
  const std::uint16_t port = run.In.Word();
  BitOff(port, run.In.Word());
}
void CallTestQbit(Run& run) {
  const std::uint16_t port = run.In.Word();
  TestQbit(port, run.In.Word());
}
void CallTestIbit(Run& run) {
  const std::uint16_t port = run.In.Word();
  TestIbit(port, run.In.Word());
}
void CallGetIOBlockData(Run& run) {
  const std::uint16_t port = run.In.Word();
  const ExactArray<std::uint16_t> block(BlockWords, (run.In.Byte() & 1u) != 0);
  GetIOBlockData(port, block.Get());
}

void CallContFreq(Run& run) {
  const std::uint16_t mode = run.In.Word();
  ContFreq(mode, run.In.Word());
}
void CallContLevel(Run& run) { ContLevel(run.In.Word()); }
void CallContDirect(Run& run) { ContDirect(run.In.Word()); }
void CallContSigSW(Run& run) { ContSigSW(run.In.Word()); }
void CallContBellDA(Run& run) { ContBellDA(run.In.Word()); }
void CallContRelay(Run& run) { ContRelay(run.In.Word()); }
void CallLineCurrent(Run& run) { LineCurrent(run.In.Word()); }
void CallHdTimer(Run& run) {
  const std::uint16_t status = HdTimer(run.In.Dword());
  if (run.Verbose)
    std::printf("  = %x after %llu ticks\n", status, static_cast<unsigned long long>(run.Board.Ticks()));
  Require(status == 0 || status == EscapeDown, "HdTimer gives 0 or 0x8000");
}
void CallClick(Run& run) { Click(run.In.Dword()); }

// The pattern is the bytes up to the first zero byte, in a block of exactly
// their length and the terminating zero.
void CallExchgLine(Run& run) {
  const std::uint16_t mode = run.In.Word();
  const std::uint8_t length = run.In.Byte();
  if (length == NullPatternLength) {
    Require(ExchgLine(mode, nullptr) == 0xFFFF, "ExchgLine refuses a null pattern");
    return;
  }
  std::vector<char> bytes;
  for (std::uint8_t i = 0; i < length; ++i) bytes.push_back(static_cast<char>(run.In.Byte()));
  const auto end = std::find(bytes.begin(), bytes.end(), '\0');
  const auto text = static_cast<std::size_t>(end - bytes.begin());
  const ExactArray<char> pattern(text + 1, false);
  std::copy(bytes.begin(), end, pattern.Get());
  pattern.Get()[text] = '\0';
  const std::uint16_t result = ExchgLine(mode, pattern.Get());
  Require(result == 0 || result == 0xFFFF, "ExchgLine gives 0 or 0xFFFF");
  if (text < TestDigits) Require(result == 0xFFFF, "ExchgLine refuses a pattern shorter than ten digits");
}

// Bits of the null mask choose which array is passed as a null pointer.
struct TransformArgs {
  std::uint16_t N;
  std::uint8_t NullMask;
  std::uint32_t Seed;
};

TransformArgs ReadTransformArgs(FuzzInput& in) {
  TransformArgs args{};
  args.N = in.Word();
  args.NullMask = in.Byte();
  args.Seed = in.Dword();
  return args;
}

bool IsNull(const TransformArgs& args, int bit) { return (args.NullMask >> bit & 1u) != 0; }

void CallFFTK32(Run& run) {
  const TransformArgs args = ReadTransformArgs(run.In);
  const std::size_t elements = std::size_t{args.N} + 1;
  const ExactArray<float> cosine(elements, IsNull(args, 0));
  const ExactArray<float> sine(elements, IsNull(args, 1));
  const ExactArray<std::uint16_t> permutation(elements, IsNull(args, 2));
  FFTK32(args.N, cosine.Get(), sine.Get(), permutation.Get());
}

// The tables come from FFTK32 when the null mask's bit 6 is clear and n is
// one FFTK32 takes; otherwise they hold fuzzed values (permutation entries of
// any size included). Bit 7 passes the real array as the samples.
void CallFFT32(Run& run) {
  const TransformArgs args = ReadTransformArgs(run.In);
  const std::uint16_t window = run.In.Word();
  const std::uint16_t direction = run.In.Word();
  const std::size_t elements = std::size_t{args.N} + 1;
  const ExactArray<float> cosine(elements, IsNull(args, 0));
  const ExactArray<float> sine(elements, IsNull(args, 1));
  const ExactArray<std::uint16_t> permutation(elements, IsNull(args, 2));
  const ExactArray<float> real(elements, IsNull(args, 3));
  const ExactArray<float> imaginary(elements, IsNull(args, 4));
  const bool samplesInReal = IsNull(args, 7);
  const std::size_t sampleElements = samplesInReal ? 0 : elements;
  const ExactArray<float> samples(sampleElements, IsNull(args, 5) && !samplesInReal);
  FillFloats(cosine.Get(), elements, args.Seed);
  FillFloats(sine.Get(), elements, args.Seed + 1);
  FillArray(permutation.Get(), elements, args.Seed + 2);
  if (!IsNull(args, 6)) FFTK32(args.N, cosine.Get(), sine.Get(), permutation.Get());
  FillFloats(real.Get(), elements, args.Seed + 3);
  FillFloats(imaginary.Get(), elements, args.Seed + 4);
  FillFloats(samples.Get(), sampleElements, args.Seed + 5);
  FFT32(args.N, cosine.Get(), sine.Get(), real.Get(), imaginary.Get(), permutation.Get(), window,
        samplesInReal ? real.Get() : samples.Get(), direction);
}

// FFTP32 touches elements 0 to n div 2.
void CallFFTP32(Run& run) {
  const TransformArgs args = ReadTransformArgs(run.In);
  const std::size_t elements = std::size_t{args.N} / 2 + 1;
  const ExactArray<float> real(elements, IsNull(args, 0));
  const ExactArray<float> imaginary(elements, IsNull(args, 1));
  FillFloats(real.Get(), elements, args.Seed);
  FillFloats(imaginary.Get(), elements, args.Seed + 1);
  FFTP32(args.N, real.Get(), imaginary.Get());
}

// A conversion with `count` words and `count` or 2 `count` bytes.
template <typename From, typename To>
void Convert(Run& run, void (*convert)(const From*, To*, std::uint16_t), std::size_t fromPerWord,
             std::size_t toPerWord) {
  const std::uint16_t count = run.In.Word();
  const std::uint8_t nullMask = run.In.Byte();
  const std::uint32_t seed = run.In.Dword();
  const ExactArray<From> from(count * fromPerWord, (nullMask & 1u) != 0);
  const ExactArray<To> to(count * toPerWord, (nullMask & 2u) != 0);
  FillArray(from.Get(), count * fromPerWord, seed);
  convert(from.Get(), to.Get(), count);
}
void CallCHRVAL1(Run& run) { Convert(run, &CHRVAL1, 1, 1); }
void CallCHRVAL2(Run& run) { Convert(run, &CHRVAL2, 2, 1); }
void CallVALCHR1(Run& run) { Convert(run, &VALCHR1, 1, 1); }
void CallVALCHR2(Run& run) { Convert(run, &VALCHR2, 1, 2); }

// Not an export: the board presents a byte on the input of one of its ports.
void SetBoardInput(Run& run) {
  const auto port = static_cast<std::uint16_t>(run.In.Byte());
  const std::uint8_t value = run.In.Byte();
  if (run.Board.LocationOf(port)) run.Board.SetInput(port, value);
}

struct Operation {
  const char* Name;
  void (*Call)(Run&);
};
// The order is the input format: fuzz/seeds/make_exports_seeds.py uses it.
constexpr Operation Operations[] = {
    {"PortInit", CallPortInit},
    {"PortEnd", CallPortEnd},
    {"CheckPCtype", CallCheckPCtype},
    {"Test", CallTest},
    {"Test2", CallTest2},
    {"InpB", CallInpB},
    {"InpW", CallInpW},
    {"InpD", CallInpD},
    {"OutB", CallOutB},
    {"OutW", CallOutW},
    {"OutD", CallOutD},
    {"PortOut", CallPortOut},
    {"PortQinp", CallPortQinp},
    {"PortIinp", CallPortIinp},
    {"AllOutClear", CallAllOutClear},
    {"BitOn", CallBitOn},
    {"BitOff", CallBitOff},
    {"TestQbit", CallTestQbit},
    {"TestIbit", CallTestIbit},
    {"GetIOBlockData", CallGetIOBlockData},
    {"ContFreq", CallContFreq},
    {"ContLevel", CallContLevel},
    {"ContDirect", CallContDirect},
    {"ContSigSW", CallContSigSW},
    {"ContBellDA", CallContBellDA},
    {"ContRelay", CallContRelay},
    {"LineCurrent", CallLineCurrent},
    {"HdTimer", CallHdTimer},
    {"Click", CallClick},
    {"ExchgLine", CallExchgLine},
    {"FFTK32", CallFFTK32},
    {"FFT32", CallFFT32},
    {"FFTP32", CallFFTP32},
    {"CHRVAL1", CallCHRVAL1},
    {"CHRVAL2", CallCHRVAL2},
    {"VALCHR1", CallVALCHR1},
    {"VALCHR2", CallVALCHR2},
    {"SetBoardInput", SetBoardInput},
};
constexpr std::size_t OperationCount = sizeof Operations / sizeof Operations[0];

// The bus index of the deliverable's own board on the default bus.
int OwnBoardIndex(const sim::SimBus& bus, const sim::DefaultBusCards& cards) {
  const sim::SimCard& kestrel = bus.Card(cards.Kestrel);
  const bool isKestrel = ThisBoard().Vendor == kestrel.Vendor() && ThisBoard().Device == kestrel.Device();
  return isKestrel ? cards.Kestrel : cards.Merlin;
}

}  // namespace

int RunInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput in(data, size);
  const std::uint8_t flags = in.Byte();
  const std::uint32_t tickEvery = in.Byte() % TickChoices;
  const std::uint32_t escapeAfter = in.Byte();
  const std::uint8_t faults = in.Byte();

  ResetProcessState();
  platform::ResetOverrides();
  sim::SimBus bus;
  const sim::DefaultBusCards cards = sim::PopulateDefaultBus(bus);
  sim::SimulatedDriver driver(bus);
  driver.SetHistoryLimit(0);
  const int ownIndex = OwnBoardIndex(bus, cards);
  auto& board = dynamic_cast<sim::LineBoard&>(bus.Card(ownIndex));
  for (const int index : {cards.Kestrel, cards.Merlin}) {
    dynamic_cast<sim::LineBoard&>(bus.Card(index)).SetHistoryLimit(0);
  }
  board.SetTickEvery(tickEvery);
  driver.LockByAnotherUser(ownIndex, (flags & FlagLocked) != 0);
  driver.SetDeviceMissing((flags & FlagDeviceMissing) != 0);
  const std::uint32_t failing = InjectDriverFaults(driver, faults);
  platform::OverrideClock([now = 0.0]() mutable { return now += ClockStepMs; });
  platform::OverrideKeyboardSubtype(
      [pc98 = (flags & FlagPc98) != 0] { return pc98 ? Pc98Subtype : AtSubtype; });
  std::uint32_t samples = 0;
  platform::OverrideEscapeKey([&samples, escapeAfter] { return ++samples > escapeAfter ? EscapeDown : 0; });
  driver.Install();

  Run run{in, board, (flags & FlagFollowRegisters) != 0, ShowsOutput()};
  while (!in.Empty()) {
    samples = 0;
    const Operation& operation = Operations[in.Byte() % OperationCount];
    if (run.Verbose) std::printf("%s\n", operation.Name);
    operation.Call(run);
  }
  PortEnd();
  // The library's own handshakes, at the registers the board answers at, are
  // all decodable (unless the driver was made to drop some of them).
  if (run.FollowRegisters && !run.RawWrites && failing != ReqTransfer) {
    Require(board.ProtocolErrorCount() == 0, "the board decodes every access of the exports");
  }
  Require(driver.OpenHandles() == 0, "PortEnd leaves no driver handle open");
  // (Unless the driver was made to refuse the unregistration.)
  if (failing != ReqUnregisterCard) Require(driver.Registrations() == 0, "PortEnd leaves no card registered");
  Require(LiveBoardHandles() == 0, "PortEnd leaves no board record");
  driver.Uninstall();
  platform::ResetOverrides();
  return 0;
}

}  // namespace lineio::fuzz
