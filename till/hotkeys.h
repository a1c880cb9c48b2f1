#pragma once
// The till's configurable keys are stored as Windows virtual-key codes (checkout.ini
// dazheK, jifenK, shuliangK), so files written by earlier tills keep working. This is
// the one table between Qt keys and those codes; the settings dialog uses it as well.

#include <Qt>
#include <QString>

class QKeyEvent;

namespace Hotkeys {

// Code of a key that no key produces: the value of an unreadable setting.
constexpr int NoKey = 255;

// Virtual-key codes the till's own logic refers to.
namespace Vk {
constexpr int Multiply = 106;  // numeric keypad *
constexpr int Add = 107;       // numeric keypad +
constexpr int Subtract = 109;  // numeric keypad -
constexpr int Divide = 111;    // numeric keypad /
constexpr int F1 = 112;
constexpr int F5 = 116;
constexpr int F12 = 123;
}

// The virtual-key code of a Qt key (the keypad flag of the modifiers tells the numeric
// keypad apart); 0 for a key without one.
int vkFromQtKey(int qtKey, Qt::KeyboardModifiers modifiers);
int vkFromEvent(const QKeyEvent *event);

// The Qt key for a code, and whether it is on the numeric keypad; false when unknown.
bool qtKeyFromVk(int vk, int *qtKey, bool *keypad);

// A stored code text as a number; NoKey when the text is not a number.
int codeFromText(const QString &text);

// "F5" ... "F12" for those keys, empty otherwise (the settings dialog shows these
// names instead of a typed character).
QString functionKeyName(int vk);

}
