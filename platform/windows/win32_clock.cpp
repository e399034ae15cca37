#include "platform/windows/win32_clock.h"

#include <windows.h>

#include "platform/system_clock.h"

namespace quintrel {

namespace {

using TimeGetTimeFn = DWORD(WINAPI*)();
using TimePeriodFn = UINT(WINAPI*)(UINT);

constexpr UINT kFinePeriodMs = 1;
constexpr UINT kTimerNoError = 0;  // TIMERR_NOERROR

// GetProcAddress hands out a generic function pointer; going through void (*)() tells the
// compiler the cast to the real signature is deliberate.
template <typename Fn>
Fn find_function(HMODULE module, const char* name) {
  const FARPROC found = GetProcAddress(module, name);
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(found));
}

struct MultimediaTimer {
  TimeGetTimeFn time_get_time = nullptr;
  TimePeriodFn begin_period = nullptr;
  TimePeriodFn end_period = nullptr;

  MultimediaTimer() {
    // Only System32 is searched, whatever the process's DLL search order.
    const HMODULE winmm = LoadLibraryExW(L"winmm.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (winmm == nullptr) {
      return;
    }
    time_get_time = find_function<TimeGetTimeFn>(winmm, "timeGetTime");
    begin_period = find_function<TimePeriodFn>(winmm, "timeBeginPeriod");
    end_period = find_function<TimePeriodFn>(winmm, "timeEndPeriod");
    // The module stays loaded for the life of the process.
  }

  bool complete() const {
    return time_get_time != nullptr && begin_period != nullptr && end_period != nullptr;
  }
};

MultimediaTimer& multimedia_timer() {
  static MultimediaTimer timer;
  return timer;
}

class Win32Clock final : public Clock {
 public:
  std::uint32_t now_ms() override {
    const MultimediaTimer& timer = multimedia_timer();
    return timer.time_get_time != nullptr ? timer.time_get_time() : GetTickCount();
  }

  void sleep_ms(std::uint32_t ms) override { Sleep(ms); }
};

}  // namespace

Clock& system_clock() {
  static Win32Clock clock;
  return clock;
}

bool multimedia_timer_loaded() {
  return multimedia_timer().complete();
}

FineTimerResolution::FineTimerResolution() {
  const MultimediaTimer& timer = multimedia_timer();
  active_ = timer.complete() && timer.begin_period(kFinePeriodMs) == kTimerNoError;
}

FineTimerResolution::~FineTimerResolution() {
  if (active_) {
    multimedia_timer().end_period(kFinePeriodMs);
  }
}

}  // namespace quintrel
