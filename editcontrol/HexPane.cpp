#include "editcontrol/HexPane.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>
#include <QVBoxLayout>

#include "editcore/HexBytes.h"

namespace quillory {

namespace {

constexpr const char* kAccessibleName = "Hex pane";

// The rows as assistive technology reads them: the rows in view, one line each.
class HexRowsAccessible final : public QAccessibleWidget {
public:
    explicit HexRowsAccessible(HexRows* rows) : QAccessibleWidget(rows, QAccessible::EditableText) {}
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return static_cast<HexRows*>(widget())->visibleText();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* hexRowsAccessible(const QString& className, QObject* object)
{
    if (className == QLatin1String("quillory::HexRows") && object != nullptr && object->isWidgetType())
        return new HexRowsAccessible(static_cast<HexRows*>(object));
    return nullptr;
}

QLabel* detailsLabel(QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setContentsMargins(4, 2, 4, 2);
    // The pane is as wide as its rows; a longer line is cut rather than widening it.
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    return label;
}

}  // namespace

HexPane::HexPane(QWidget* parent)
    : QWidget(parent), m_rows(new HexRows(this)), m_caret(detailsLabel(this)), m_values(detailsLabel(this))
{
    static const bool installed = [] {
        QAccessible::installFactory(hexRowsAccessible);
        return true;
    }();
    (void)installed;
    m_rows->setAccessibleName(QString::fromLatin1(kAccessibleName));
    m_caret->setFont(m_rows->font());
    m_values->setFont(m_rows->font());
    m_caret->setAccessibleName(QStringLiteral("Offset"));
    m_values->setAccessibleName(QStringLiteral("Values at the caret"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_caret);
    layout->addWidget(m_rows, 1);
    layout->addWidget(m_values);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
}

void HexPane::showCaretDetails()
{
    const std::int64_t caret = m_rows->caret();
    m_caret->setText(QStringLiteral("Offset: 0x%1 (%2)")
                         .arg(QString::number(caret, 16).toUpper().rightJustified(
                             hex::offsetDigits(m_rows->documentSize()), QLatin1Char('0')))
                         .arg(caret));
    std::uint8_t bytes[8] = {};
    const std::int64_t read = m_rows->read(caret, 8, bytes);
    const std::vector<std::string> lines = hex::describeValues({bytes, static_cast<std::size_t>(read)});
    QStringList text;
    for (const std::string& line : lines)
        text << QString::fromStdString(line);
    // Always eight lines, so that the rows above do not jump as the caret nears the end.
    while (text.size() < 8)
        text << QString();
    m_values->setText(text.join(QLatin1Char('\n')));
}

QString HexPane::caretText() const
{
    return m_caret->text();
}

QString HexPane::valuesText() const
{
    return m_values->text();
}

}  // namespace quillory
