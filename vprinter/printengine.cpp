// Placeholder until the interpreter and renderer land: accepts the bytes and prints nothing.
#include "vprinter/printengine.h"

namespace vprinter {

struct PrintEngine::Impl {
  std::filesystem::path trayDir;
  EngineEvents* events;
  PrintSettings settings;
};

PrintEngine::PrintEngine(std::filesystem::path trayDir, EngineEvents& events)
    : impl_(std::make_unique<Impl>(Impl{std::move(trayDir), &events, {}})) {}
PrintEngine::~PrintEngine() = default;
void PrintEngine::SetSettings(const PrintSettings& settings) { impl_->settings = settings; }
void PrintEngine::SetBid(int dropSize, int inkGroup, int8_t value) {
  if (dropSize >= 1 && dropSize <= 3 && inkGroup >= 1 && inkGroup <= 2) {
    impl_->settings.bid[dropSize - 1][inkGroup - 1] = value;
  }
}
void PrintEngine::Consume(const uint8_t*, std::size_t) {}
void PrintEngine::PowerOnReset() {}
bool PrintEngine::SheetInProgress() const { return false; }
uint64_t PrintEngine::DotsPrinted(int) const { return 0; }

}  // namespace vprinter
