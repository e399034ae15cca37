// The Windows side of the millisecond clock: timeGetTime and Sleep, with the multimedia timer's
// functions taken from System32's winmm.dll at run time rather than imported, so that a
// winmm.dll planted beside the program is never loaded.
#pragma once

namespace quintrel {

// Windows' default timer tick is 15.6 ms, which would stretch every 10 ms pause to about 16 ms and
// every idle 2 ms read to a whole tick. The program asks for 1 ms resolution for as long as one
// of these lives and gives it back when it goes. An open port holds one: the fine resolution
// keeps the processor from its power-saving states, so it is asked for only while the reads
// and pauses that need it can happen ("timeBeginPeriod function": "Call this function
// immediately before using timer services, and call the timeEndPeriod function immediately
// after you are finished").
class FineTimerResolution {
 public:
  FineTimerResolution();
  ~FineTimerResolution();
  FineTimerResolution(const FineTimerResolution&) = delete;
  FineTimerResolution& operator=(const FineTimerResolution&) = delete;

  // False when winmm.dll could not be loaded or refused the 1 ms period.
  bool active() const { return active_; }

 private:
  bool active_ = false;
};

// True when timeGetTime, timeBeginPeriod and timeEndPeriod were found in System32's winmm.dll;
// otherwise the clock falls back to GetTickCount.
bool multimedia_timer_loaded();

}  // namespace quintrel
