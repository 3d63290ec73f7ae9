#include "reports/PreviewWindow.h"

#include "core/Twips.h"

#include <QFontDatabase>
#include <QPrinter>
#include <QTextEdit>
#include <QVBoxLayout>

namespace onda {

namespace {
QFont reportFont() {
    QFont font(QStringLiteral("Courier New"), 9);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    // Without Courier New the system's own fixed-pitch font keeps the columns in line.
    if (!QFontInfo(font).fixedPitch()) {
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPointSize(9);
    }
    return font;
}
} // namespace

PreviewWindow::PreviewWindow(AppState& /*state*/, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmPrt"));
    setWindowTitle(QStringLiteral("Iscrizioni"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_text = new QTextEdit(this);
    m_text->setObjectName(QStringLiteral("RichTextBox1"));
    m_text->setAccessibleName(QStringLiteral("Iscrizioni"));
    m_text->setReadOnly(true);
    m_text->setAcceptRichText(false);
    m_text->setLineWrapMode(QTextEdit::NoWrap);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_text->setFont(reportFont());
    m_text->setTabChangesFocus(true);
    layout->addWidget(m_text);
    setFocusProxy(m_text);
}

PreviewWindow::~PreviewWindow() = default;

QSize PreviewWindow::preferredSize() const {
    return {twipsToPixels(9700), twipsToPixels(6000)};
}

void PreviewWindow::setReportText(const QString& text) {
    // The box shows line ends of its own: CR LF would leave a stray character per line.
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    m_text->setPlainText(shown);
}

QString PreviewWindow::reportText() const {
    return m_text->toPlainText();
}

void PreviewWindow::print(QPrinter& printer) const {
    m_text->document()->print(&printer);
}

} // namespace onda
