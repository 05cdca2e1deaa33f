// Fuzz target for the vidcfg.ini scanner. Each input is scanned from a heap
// block of exactly its length (so AddressSanitizer catches any look past it)
// and the verdict must agree with the plain reference scanner, with the
// explaining variant, and with a scan of the text cut after its last
// complete line. Any disagreement aborts with the input saved by libFuzzer.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

#include "tests/tv/reference_scanner.h"
#include "tvcore/card/board_scan.h"

using namespace tvcore::card;

namespace {

[[noreturn]] void Disagree(const char *what, bool library, bool other) {
    std::fprintf(stderr, "board_scan_fuzz: %s: library says %d, the other says %d\n", what, library, other);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size > UINT32_MAX) return 0;
    const uint32_t length = static_cast<uint32_t>(size);
    std::unique_ptr<char[]> text(new char[size]);
    if (size != 0) std::memcpy(text.get(), data, size);

    const bool verdict = ScanBoardConfig(text.get(), length);

    const bool reference = reference::Scan(std::string_view(text.get(), size));
    if (verdict != reference) Disagree("reference scanner", verdict, reference);

    const BoardScanReport report = ExplainBoardConfig(text.get(), length);
    if (report.alternativeBoard != verdict) Disagree("explaining scanner", verdict, report.alternativeBoard);
    const uint32_t scanned = length < kBoardConfigMaxBytes ? length : kBoardConfigMaxBytes;
    if (report.scannedBytes != scanned || report.cutAtLimit != (length > kBoardConfigMaxBytes))
        Disagree("reported length", verdict, report.alternativeBoard);
    if (verdict && (report.entryLine == 0 || report.valueOffset + 9 > scanned ||
                    std::memcmp(text.get() + report.valueOffset, "QX_KESTRE", 9) != 0))
        Disagree("reported entry", verdict, report.alternativeBoard);

    // Bytes after the last line feed within the limit never count.
    uint32_t complete = scanned;
    while (complete > 0 && text[complete - 1] != '\n') --complete;
    const bool prefix = ScanBoardConfig(text.get(), complete);
    if (prefix != verdict) Disagree("scan cut after the last complete line", verdict, prefix);
    return 0;
}
