#pragma once

class QString;
class QWidget;

// Types text into a widget key by key. Characters without a key of their own (Chinese, for instance) are
// sent as key events carrying the character, as a keyboard layout or input method would deliver them.
void TypeText(QWidget *widget, const QString &text);
