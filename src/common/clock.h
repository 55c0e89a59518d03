#pragma once
#include "common/dates.h"

namespace orvenka {

// Injectable source of the current local time.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual TDateTime Now() = 0;
};

class SystemClock : public Clock {
  public:
    TDateTime Now() override;
};

// Test clock: a fixed time that tests move by hand.
class FixedClock : public Clock {
  public:
    explicit FixedClock(TDateTime t) : now_(t) {}
    TDateTime Now() override { return now_; }
    void Set(TDateTime t) { now_ = t; }
    void AdvanceSeconds(double s) { now_ += s / 86400.0; }

  private:
    TDateTime now_;
};

}  // namespace orvenka
