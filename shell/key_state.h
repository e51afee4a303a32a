// The lock keys behind the status bar's CAPS and NUM panels and PressKey.
#pragma once

#include <memory>

namespace kestrum {

// Virtual-key codes of the keys PressKey presses.
inline constexpr int kVkInsert = 45;
inline constexpr int kVkCapsLock = 20;
inline constexpr int kVkNumLock = 144;

class KeyState {
 public:
  virtual ~KeyState() = default;
  // Whether Caps Lock (kVkCapsLock) or Num Lock (kVkNumLock) is on.
  virtual bool IsOn(int key) const = 0;
  // Toggles Caps Lock or Num Lock, as pressing and releasing the key does.
  virtual void Toggle(int key) = 0;
};

// The keyboard's own lock state on X11 (through XKB); elsewhere, and on the offscreen
// platform of the tests, a state kept in the program that starts with both keys off.
std::unique_ptr<KeyState> MakeSystemKeyState();

// The state kept in the program.
class ProgramKeyState final : public KeyState {
 public:
  bool IsOn(int key) const override {
    return key == kVkCapsLock ? caps_ : key == kVkNumLock && num_;
  }
  void Toggle(int key) override {
    if (key == kVkCapsLock) caps_ = !caps_;
    if (key == kVkNumLock) num_ = !num_;
  }

 private:
  bool caps_ = false;
  bool num_ = false;
};

}  // namespace kestrum
