#include "tools/trace/help.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "portio/board_description.h"
#include "tools/trace/export_table.h"

namespace lineio::trace {

namespace {

constexpr std::size_t ExportListWidth = 72;

const char* const HelpBody =
    "\n"
    "Runs a script of export calls in-process against a simulated %s board\n"
    "(PCI vendor %04x, device %04x) and prints every register access that the\n"
    "library makes. The script is read from SCRIPT, or from standard input when\n"
    "SCRIPT is absent or \"-\".\n"
    "\n"
    "Script: one command per line, at most 4096 characters. Blank lines and\n"
    "lines starting with # are ignored. Numbers are C literals (decimal, 0x hex,\n"
    "0 octal); a negative number is allowed only where the export's argument is\n"
    "signed, and a number beyond the argument's range is refused.\n"
    "  <Export> <arg> ...      call an export that takes only integers, with its\n"
    "                          arguments in order: PortInit 0, PortOut 80 0x12,\n"
    "                          BitOn 16 3\n"
    "  GetIOBlockData <port>   call it with a 16-word buffer that holds aaaa in\n"
    "                          every word before the call\n"
    "  input <port> <value>    the byte (0 to 0xff) that the board presents on the\n"
    "                          input of logical port <port>\n"
    "  ExchgLine <mode> <pattern>\n"
    "                          call it with the pattern word passed as ten\n"
    "                          bytes (a shorter word ends in zero bytes, as a\n"
    "                          host's shorter string would)\n"
    "  tick <n>                bit 0 of StatReg toggles on every n-th read of\n"
    "                          StatReg; 0 stops it where it is (the default)\n"
    "  escape <n>              the Escape key reads as down from the n-th sample\n"
    "                          on, counted from this command; 0: up again (the\n"
    "                          default). HdTimer and Click are refused while\n"
    "                          neither a tick nor Escape could end them, and\n"
    "                          while no board is open (before PortInit, after\n"
    "                          PortEnd)\n"
    "  quiet                   stop printing register accesses (calls still run)\n"
    "  verbose                 print them again (the default)\n"
    "\n"
    "Exports:\n"
    "%s"
    "\n"
    "Output, in the order things happen, in lower-case hexadecimal without 0x:\n"
    "  W <offset> <value>      a register write\n"
    "  R <offset> <value>      a register read, with the value the library got\n"
    "                          (offset in 4 digits, value in 2, 4 or 8 digits by\n"
    "                          the width of the access)\n"
    "  = <value>               after each call: its result as an unsigned number\n"
    "                          of the result's width, without leading zeros\n"
    "                          (PortOut 36 1 gives = 1a, CheckPCtype = 0 or ffff)\n"
    "  = -                     after a call of an export that gives no result\n"
    "  = <w0> ... <w15>        after GetIOBlockData: the 16 words of the buffer,\n"
    "                          4 digits each, separated by single spaces\n"
    "  L <device> <value>      a serial device took a word, right after the\n"
    "                          write that made it take it (also when quiet);\n"
    "                          device: freq1 freq2 level direct sigsw bellda\n"
    "                          relay current xbank0 xbank1; value in as many\n"
    "                          digits as the device's width needs\n"
    "Whatever the library prints itself (the messages of PortInit) appears where\n"
    "it happens, on the same stream.\n"
    "\n"
    "--annotate ends each W, R and L line with \"  # <register> <export> port <n>\":\n"
    "the register (DataReg AddrReg CtrlReg StatReg, or other), the export whose\n"
    "call made the access, and the logical port of its handshake as the board\n"
    "decodes it (left out where none is decoded). Without it the output is as\n"
    "above, byte for byte.\n"
    "--vcd FILE also writes the run as a Value Change Dump in simulated time, one\n"
    "microsecond per register access: buses bus.data, bus.address, bus.control\n"
    "(each written as its eight wires, data[7] ... data[0], which GTKWave joins);\n"
    "wires bus.read, bus.strobe, bus.enable, bus.bank, bus.tick; and for each\n"
    "serial device serial.<device>_clk, _data and _load.\n"
    "\n"
    "The board answers at the register set that the script's PortInit selects\n"
    "(0x310 to 0x316 for board 0 on an AT-compatible machine, also before any\n"
    "PortInit). The simulated clock makes PortInit's calibration give a\n"
    "DelayCount of 0, so scripts run without waiting; the accesses are the same\n"
    "as with real waits.\n"
    "\n"
    "Exit status: 0 when the script ran to its end; 1 when the board saw an\n"
    "access that it could not decode (each is reported on standard error);\n"
    "2 for a usage error, a script that cannot be read (a directory or device,\n"
    "a read error, a line too long) or a bad command (reported on standard\n"
    "error, with its line number; the script stops there).\n";

// The export names, wrapped into indented lines.
std::string ExportList() {
  std::string text;
  std::size_t column = 0;
  for (const ExportEntry& entry : Exports()) {
    const std::size_t length = std::strlen(entry.Name);
    if (column > 0 && column + 1 + length > ExportListWidth) {
      text += '\n';
      column = 0;
    }
    text += column == 0 ? "  " : " ";
    column += (column == 0 ? 2 : 1) + length;
    text += entry.Name;
  }
  return text + "\n";
}

}  // namespace

std::string ProgramName() {
  std::string name = "lineio-trace-";
  for (const char* c = ThisBoard().Name; *c != '\0'; ++c) {
    name += static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
  }
  return name;
}

void PrintUsage() {
  const std::string name = ProgramName();
  std::printf("usage: %s [--annotate] [--vcd FILE] [SCRIPT | -]\n       %s --help\n       %s --version\n",
              name.c_str(), name.c_str(), name.c_str());
}

void PrintHelp() {
  PrintUsage();
  std::printf(HelpBody, ThisBoard().Name, static_cast<unsigned>(ThisBoard().Vendor),
              static_cast<unsigned>(ThisBoard().Device), ExportList().c_str());
}

}  // namespace lineio::trace
