#include "ui/AccessibleNames.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace onda {

namespace {

const char kCaptionProperty[] = "ondaCaption";

// The platform's own combo box speaks its current value as its name on this desktop.
class NamedComboBox : public QAccessibleWidget {
public:
    explicit NamedComboBox(QComboBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {
        addControllingSignal(QStringLiteral("currentIndexChanged(int)"));
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            return combo()->isEditable() ? combo()->lineEdit()->text() : combo()->currentText();
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return text(QAccessible::Value);
        return QAccessibleWidget::text(t);
    }

    int childCount() const override { return combo()->isEditable() ? 2 : 1; }

    QAccessibleInterface* child(int index) const override {
        if (index == 0)
            return QAccessible::queryAccessibleInterface(combo()->view());
        if (index == 1 && combo()->isEditable())
            return QAccessible::queryAccessibleInterface(combo()->lineEdit());
        return nullptr;
    }

    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child)
            return -1;
        if (child->object() == combo()->view())
            return 0;
        if (combo()->isEditable() && child->object() == combo()->lineEdit())
            return 1;
        return -1;
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.expandable = true;
        s.expanded = combo()->view()->isVisible();
        s.editable = combo()->isEditable();
        return s;
    }

    QStringList actionNames() const override { return {showMenuAction(), pressAction()}; }

    void doAction(const QString& action) override {
        if (action == showMenuAction() || action == pressAction()) {
            if (combo()->view()->isVisible())
                combo()->hidePopup();
            else
                combo()->showPopup();
        }
    }

private:
    QComboBox* combo() const { return static_cast<QComboBox*>(widget()); }
};

// A value label keeps no accessible name of its own, so that its text changes are announced.
class ValueLabel : public QAccessibleWidget {
public:
    explicit ValueLabel(QLabel* label) : QAccessibleWidget(label, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override {
        const QString caption = widget()->property(kCaptionProperty).toString();
        const QString value = static_cast<QLabel*>(widget())->text().simplified();
        switch (t) {
        case QAccessible::Name:
            return value.isEmpty() ? caption : caption + u' ' + value;
        case QAccessible::Value:
            return value;
        case QAccessible::Description:
            return caption;
        default:
            return QAccessibleWidget::text(t);
        }
    }
};

QAccessibleInterface* namedInterface(const QString& className, QObject* object) {
    if (className == QLatin1String("QComboBox"))
        if (auto* box = qobject_cast<QComboBox*>(object))
            return new NamedComboBox(box);
    if (className == QLatin1String("QLabel") && object->property(kCaptionProperty).isValid())
        return new ValueLabel(static_cast<QLabel*>(object));
    return nullptr;
}

// Installed with the first caption, once the application exists: consulted before the toolkit's own.
// A widget may have been given the toolkit's interface already, while it was being built (a text
// set in its constructor is announced): that one is dropped, and the next query asks the factory.
void useNamedInterface(QWidget* widget) {
    [[maybe_unused]] static const bool installed = [] {
        QAccessible::installFactory(&namedInterface);
        return true;
    }();
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    if (face && !dynamic_cast<NamedComboBox*>(face) && !dynamic_cast<ValueLabel*>(face) &&
        (qobject_cast<QComboBox*>(widget) || widget->property(kCaptionProperty).isValid()))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(face));
}

} // namespace

QString spokenCaption(const QString& caption) {
    // "&x" marks a mnemonic, "&&" is a plain "&".
    QString spoken;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption.at(i) == u'&' && ++i == caption.size())
            break;
        spoken += caption.at(i);
    }
    spoken = spoken.trimmed();
    if (spoken.endsWith(u':'))
        spoken.chop(1);
    return spoken.trimmed();
}

void nameAfterCaption(QWidget* control, const QString& caption) {
    control->setAccessibleName(spokenCaption(caption));
    // The text box inside an editable list is where the typing goes: a reader meets it by itself.
    if (auto* box = qobject_cast<QComboBox*>(control); box && box->lineEdit())
        box->lineEdit()->setAccessibleName(spokenCaption(caption));
    useNamedInterface(control);
}

QLabel* captionLabel(const QString& caption, QWidget* control, QWidget* parent) {
    auto* label = new QLabel(caption, parent);
    label->setBuddy(control);
    nameAfterCaption(control, caption);
    return label;
}

void exposeValue(QLabel* value, const QString& caption) {
    value->setAccessibleName({});
    value->setProperty(kCaptionProperty, spokenCaption(caption));
    useNamedInterface(value);
}

} // namespace onda
