// The transition effects a view owns. So far only what the views need of
// it: whether an effect runs, and stopping it (a resize or a new image
// ends it). The effects themselves come with their own work.
#pragma once

class TVQTransitionEffects {
 public:
  TVQTransitionEffects() = default;
  TVQTransitionEffects(const TVQTransitionEffects&) = delete;
  TVQTransitionEffects& operator=(const TVQTransitionEffects&) = delete;

  bool Running() const { return running_; }
  void Stop() { running_ = false; }

 private:
  bool running_ = false;
};
