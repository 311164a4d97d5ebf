#pragma once
// The program's message boxes: a caption, a text shown as it is (never read as
// markup: texts come from servers and files too) and OK, or OK and Cancel.

#include <QMessageBox>
#include <QString>

namespace nearbeam {

// Shows the box modally over parent (none: on its own); true when OK was chosen.
bool askOk(QWidget* parent, const QString& caption, const QString& text, bool withCancel);

// A question with Yes and No (the default: nothing happens on a stray Enter);
// true for Yes.
bool askYes(QWidget* parent, const QString& caption, const QString& text);

// Shows the box without waiting for it; it goes when dismissed.
void showMessageLater(const QString& caption, const QString& text);

} // namespace nearbeam
