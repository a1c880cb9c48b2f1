#include "hotkeys.h"

#include <QKeyEvent>

namespace {

struct KeyRow {
    int vk;
    int key;      // Qt::Key
    bool keypad;  // only with Qt::KeypadModifier
};

// Keys are listed with their unshifted Qt key first, so the reverse lookup finds that
// one; shifted characters of the main keyboard (US layout) follow with the code of the
// key that types them, as the virtual-key codes name keys, not characters.
constexpr KeyRow kTable[] = {
    {8, Qt::Key_Backspace, false},
    {9, Qt::Key_Tab, false},
    {9, Qt::Key_Backtab, false},
    {12, Qt::Key_Clear, false},
    {13, Qt::Key_Return, false},
    {13, Qt::Key_Enter, false},
    {16, Qt::Key_Shift, false},
    {17, Qt::Key_Control, false},
    {18, Qt::Key_Alt, false},
    {19, Qt::Key_Pause, false},
    {20, Qt::Key_CapsLock, false},
    {27, Qt::Key_Escape, false},
    {32, Qt::Key_Space, false},
    {33, Qt::Key_PageUp, false},
    {34, Qt::Key_PageDown, false},
    {35, Qt::Key_End, false},
    {36, Qt::Key_Home, false},
    {37, Qt::Key_Left, false},
    {38, Qt::Key_Up, false},
    {39, Qt::Key_Right, false},
    {40, Qt::Key_Down, false},
    {41, Qt::Key_Select, false},
    {42, Qt::Key_Print, false},
    {43, Qt::Key_Execute, false},
    {44, Qt::Key_SysReq, false},
    {45, Qt::Key_Insert, false},
    {46, Qt::Key_Delete, false},
    {47, Qt::Key_Help, false},
    {48, Qt::Key_0, false}, {49, Qt::Key_1, false}, {50, Qt::Key_2, false}, {51, Qt::Key_3, false},
    {52, Qt::Key_4, false}, {53, Qt::Key_5, false}, {54, Qt::Key_6, false}, {55, Qt::Key_7, false},
    {56, Qt::Key_8, false}, {57, Qt::Key_9, false},
    {48, Qt::Key_ParenRight, false}, {49, Qt::Key_Exclam, false}, {50, Qt::Key_At, false},
    {51, Qt::Key_NumberSign, false}, {52, Qt::Key_Dollar, false}, {53, Qt::Key_Percent, false},
    {54, Qt::Key_AsciiCircum, false}, {55, Qt::Key_Ampersand, false}, {56, Qt::Key_Asterisk, false},
    {57, Qt::Key_ParenLeft, false},
    {65, Qt::Key_A, false}, {66, Qt::Key_B, false}, {67, Qt::Key_C, false}, {68, Qt::Key_D, false},
    {69, Qt::Key_E, false}, {70, Qt::Key_F, false}, {71, Qt::Key_G, false}, {72, Qt::Key_H, false},
    {73, Qt::Key_I, false}, {74, Qt::Key_J, false}, {75, Qt::Key_K, false}, {76, Qt::Key_L, false},
    {77, Qt::Key_M, false}, {78, Qt::Key_N, false}, {79, Qt::Key_O, false}, {80, Qt::Key_P, false},
    {81, Qt::Key_Q, false}, {82, Qt::Key_R, false}, {83, Qt::Key_S, false}, {84, Qt::Key_T, false},
    {85, Qt::Key_U, false}, {86, Qt::Key_V, false}, {87, Qt::Key_W, false}, {88, Qt::Key_X, false},
    {89, Qt::Key_Y, false}, {90, Qt::Key_Z, false},
    {91, Qt::Key_Meta, false},
    {93, Qt::Key_Menu, false},
    {95, Qt::Key_Sleep, false},
    // Numeric keypad with Num Lock on.
    {96, Qt::Key_0, true}, {97, Qt::Key_1, true}, {98, Qt::Key_2, true}, {99, Qt::Key_3, true},
    {100, Qt::Key_4, true}, {101, Qt::Key_5, true}, {102, Qt::Key_6, true}, {103, Qt::Key_7, true},
    {104, Qt::Key_8, true}, {105, Qt::Key_9, true},
    {106, Qt::Key_Asterisk, true},
    {107, Qt::Key_Plus, true},
    {108, Qt::Key_Comma, true},
    {109, Qt::Key_Minus, true},
    {110, Qt::Key_Period, true},
    {111, Qt::Key_Slash, true},
    {112, Qt::Key_F1, false}, {113, Qt::Key_F2, false}, {114, Qt::Key_F3, false}, {115, Qt::Key_F4, false},
    {116, Qt::Key_F5, false}, {117, Qt::Key_F6, false}, {118, Qt::Key_F7, false}, {119, Qt::Key_F8, false},
    {120, Qt::Key_F9, false}, {121, Qt::Key_F10, false}, {122, Qt::Key_F11, false}, {123, Qt::Key_F12, false},
    {124, Qt::Key_F13, false}, {125, Qt::Key_F14, false}, {126, Qt::Key_F15, false}, {127, Qt::Key_F16, false},
    {128, Qt::Key_F17, false}, {129, Qt::Key_F18, false}, {130, Qt::Key_F19, false}, {131, Qt::Key_F20, false},
    {132, Qt::Key_F21, false}, {133, Qt::Key_F22, false}, {134, Qt::Key_F23, false}, {135, Qt::Key_F24, false},
    {144, Qt::Key_NumLock, false},
    {145, Qt::Key_ScrollLock, false},
    // Punctuation of the main keyboard (VK_OEM_*), unshifted then shifted.
    {186, Qt::Key_Semicolon, false}, {186, Qt::Key_Colon, false},
    {187, Qt::Key_Equal, false}, {187, Qt::Key_Plus, false},
    {188, Qt::Key_Comma, false}, {188, Qt::Key_Less, false},
    {189, Qt::Key_Minus, false}, {189, Qt::Key_Underscore, false},
    {190, Qt::Key_Period, false}, {190, Qt::Key_Greater, false},
    {191, Qt::Key_Slash, false}, {191, Qt::Key_Question, false},
    {192, Qt::Key_QuoteLeft, false}, {192, Qt::Key_AsciiTilde, false},
    {219, Qt::Key_BracketLeft, false}, {219, Qt::Key_BraceLeft, false},
    {220, Qt::Key_Backslash, false}, {220, Qt::Key_Bar, false},
    {221, Qt::Key_BracketRight, false}, {221, Qt::Key_BraceRight, false},
    {222, Qt::Key_Apostrophe, false}, {222, Qt::Key_QuoteDbl, false},
};

} // namespace

namespace Hotkeys {

int vkFromQtKey(int qtKey, Qt::KeyboardModifiers modifiers)
{
    const bool keypad = modifiers.testFlag(Qt::KeypadModifier);
    // A keypad key with Num Lock off arrives as Home, Up, Insert, Delete ...: those
    // have no keypad row and fall through to the row of the ordinary key.
    if (keypad) {
        for (const KeyRow &r : kTable)
            if (r.keypad && r.key == qtKey)
                return r.vk;
    }
    for (const KeyRow &r : kTable)
        if (!r.keypad && r.key == qtKey)
            return r.vk;
    return 0;
}

int vkFromEvent(const QKeyEvent *event)
{
    return event ? vkFromQtKey(event->key(), event->modifiers()) : 0;
}

bool qtKeyFromVk(int vk, int *qtKey, bool *keypad)
{
    for (const KeyRow &r : kTable) {
        if (r.vk == vk) {
            if (qtKey)
                *qtKey = r.key;
            if (keypad)
                *keypad = r.keypad;
            return true;
        }
    }
    return false;
}

int codeFromText(const QString &text)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    return ok ? v : NoKey;
}

QString functionKeyName(int vk)
{
    if (vk >= Vk::F5 && vk <= Vk::F12)
        return QStringLiteral("F%1").arg(vk - Vk::F1 + 1);
    return {};
}

}
