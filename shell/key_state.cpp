#include "shell/key_state.h"

#include <QGuiApplication>

#ifdef KESTRUM_HAVE_XKB
#include <QtGui/qguiapplication_platform.h>
// X11 headers last: they define macros (None, Bool, KeyPress) that clash with Qt's names.
#include <X11/XKBlib.h>
#include <X11/keysym.h>
#endif

namespace kestrum {
namespace {

#ifdef KESTRUM_HAVE_XKB
// Caps Lock and Num Lock as XKB's locked modifiers of the core keyboard.
class XkbKeyState final : public KeyState {
 public:
  explicit XkbKeyState(Display* display) : display_(display) {}

  bool IsOn(int key) const override {
    const unsigned mask = Mask(key);
    XkbStateRec state;
    if (mask == 0 || XkbGetState(display_, XkbUseCoreKbd, &state) != Success) return false;
    return (state.locked_mods & mask) != 0;
  }

  void Toggle(int key) override {
    const unsigned mask = Mask(key);
    if (mask == 0) return;
    XkbLockModifiers(display_, XkbUseCoreKbd, mask, IsOn(key) ? 0 : mask);
    XSync(display_, False);
  }

 private:
  unsigned Mask(int key) const {
    if (key == kVkCapsLock) return LockMask;
    if (key == kVkNumLock) return XkbKeysymToModifiers(display_, XK_Num_Lock);
    return 0;
  }

  Display* display_;
};
#endif

}  // namespace

std::unique_ptr<KeyState> MakeSystemKeyState() {
#ifdef KESTRUM_HAVE_XKB
  if (QGuiApplication::platformName() == QLatin1String("xcb")) {
    if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) {
      int major = XkbMajorVersion;
      int minor = XkbMinorVersion;
      if (x11->display() && XkbLibraryVersion(&major, &minor)) {
        return std::make_unique<XkbKeyState>(x11->display());
      }
    }
  }
#endif
  return std::make_unique<ProgramKeyState>();
}

}  // namespace kestrum
