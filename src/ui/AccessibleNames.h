#pragma once

class QLabel;
class QString;
class QWidget;

namespace onda {

// What a screen reader speaks for a control is the text of its caption, without the
// mnemonic mark and the closing colon. Combo boxes speak that name too, not their value.

// A caption label for a control: its buddy, and the control named after it.
QLabel* captionLabel(const QString& caption, QWidget* control, QWidget* parent);
// Names a control after the caption beside it (a group title, a label that is not its buddy).
void nameAfterCaption(QWidget* control, const QString& caption);
// A label that shows a value: spoken as its caption followed by the value it shows now.
void exposeValue(QLabel* value, const QString& caption);
// The spoken form of a caption.
QString spokenCaption(const QString& caption);

} // namespace onda
