#include "dialogs/FindReplaceDialog.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "base/CodePages.h"

namespace quillory {

std::string toControlBytes(const QString& text, TextEncoding encoding)
{
    if (encoding == TextEncoding::Utf8) {
        const QByteArray utf8 = text.toUtf8();
        return {utf8.constData(), static_cast<std::size_t>(utf8.size())};
    }
    std::string bytes;
    const std::u32string characters = text.toStdU32String();
    for (const char32_t c : characters)
        bytes.push_back(static_cast<char>(unicodeToCp1252(c).value_or('?')));
    return bytes;
}

QString fromControlBytes(std::string_view bytes, TextEncoding encoding)
{
    if (encoding == TextEncoding::Utf8)
        return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (const char b : bytes)
        text.append(QChar(cp1252ToUnicode(static_cast<std::uint8_t>(b))));
    return text;
}

FindReplaceDialog::FindReplaceDialog(QWidget* parent)
    : QDialog(parent),
      m_findWhat(new QLineEdit(this)),
      m_replaceLabel(new QLabel(tr("Re&place with:"), this)),
      m_replaceWith(new QLineEdit(this)),
      m_wholeWord(new QCheckBox(tr("Match &whole word only"), this)),
      m_matchCase(new QCheckBox(tr("Match &case"), this)),
      m_hexBytes(new QCheckBox(tr("He&x bytes"), this)),
      m_direction(new QGroupBox(tr("Direction"), this)),
      m_up(new QRadioButton(tr("&Up"), m_direction)),
      m_down(new QRadioButton(tr("&Down"), m_direction)),
      m_findNext(new QPushButton(tr("&Find Next"), this)),
      m_replaceOne(new QPushButton(tr("&Replace"), this)),
      m_replaceAll(new QPushButton(tr("Replace &All"), this))
{
    auto* findLabel = new QLabel(tr("Fi&nd what:"), this);
    findLabel->setBuddy(m_findWhat);
    m_replaceLabel->setBuddy(m_replaceWith);
    m_down->setChecked(true);
    auto* directionLayout = new QHBoxLayout(m_direction);
    directionLayout->addWidget(m_up);
    directionLayout->addWidget(m_down);

    auto* fields = new QGridLayout;
    fields->addWidget(findLabel, 0, 0);
    fields->addWidget(m_findWhat, 0, 1);
    fields->addWidget(m_replaceLabel, 1, 0);
    fields->addWidget(m_replaceWith, 1, 1);
    fields->addWidget(m_wholeWord, 2, 0, 1, 2);
    fields->addWidget(m_matchCase, 3, 0, 1, 2);
    fields->addWidget(m_hexBytes, 4, 0, 1, 2);
    fields->addWidget(m_direction, 5, 0, 1, 2);
    m_hexBytes->setAccessibleName(tr("Hex bytes"));
    m_hexBytes->setVisible(false);
    m_hexBytes->setEnabled(false);

    auto* cancel = new QPushButton(tr("Cancel"), this);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* button : {m_findNext, m_replaceOne, m_replaceAll, cancel})
        buttons->addWidget(button);
    buttons->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(fields, 1);
    layout->addLayout(buttons);

    m_findNext->setDefault(true);
    connect(m_findNext, &QPushButton::clicked, this, [this] { emit findNextRequested(request()); });
    connect(m_replaceOne, &QPushButton::clicked, this, [this] { emit replaceRequested(request()); });
    connect(m_replaceAll, &QPushButton::clicked, this, [this] { emit replaceAllRequested(request()); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::close);
    connect(m_findWhat, &QLineEdit::textChanged, this, &FindReplaceDialog::updateButtons);
    connect(m_hexBytes, &QCheckBox::toggled, this, &FindReplaceDialog::updateButtons);
    updateButtons();
}

void FindReplaceDialog::showAs(bool replace, const QString& findWhat)
{
    m_replace = replace;
    setWindowTitle(replace ? tr("Replace") : tr("Find"));
    m_replaceLabel->setVisible(replace);
    m_replaceWith->setVisible(replace);
    m_replaceOne->setVisible(replace);
    m_replaceAll->setVisible(replace);
    m_direction->setVisible(!replace);
    if (!findWhat.isEmpty())
        m_findWhat->setText(findWhat);
    m_findWhat->selectAll();
    adjustSize();
    show();
    raise();
    activateWindow();
    m_findWhat->setFocus();
}

SearchRequest FindReplaceDialog::request() const
{
    SearchRequest search;
    search.findWhat = m_findWhat->text();
    search.replaceWith = m_replaceWith->text();
    search.options.matchCase = m_matchCase->isChecked();
    search.options.wholeWord = m_wholeWord->isChecked();
    search.options.backward = !m_replace && m_up->isChecked();  // Replace always searches down
    search.hexBytes = hexBytes();
    return search;
}

void FindReplaceDialog::setDocumentBinary(bool binary)
{
    if (binary == m_binary)
        return;
    m_binary = binary;
    m_hexBytes->setVisible(binary);
    m_hexBytes->setEnabled(binary);
    updateButtons();
    if (isVisible())
        adjustSize();
}

bool FindReplaceDialog::hexBytes() const
{
    return m_binary && m_hexBytes->isChecked();
}

void FindReplaceDialog::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        emit activated();
}

void FindReplaceDialog::updateButtons()
{
    const bool any = !m_findWhat->text().isEmpty();
    m_findNext->setEnabled(any);
    for (QPushButton* button : {m_replaceOne, m_replaceAll})
        button->setEnabled(any && !m_binary);
    // Hex bytes are bytes: no letter case, no words.
    const bool hex = hexBytes();
    m_matchCase->setEnabled(!hex);
    m_wholeWord->setEnabled(!hex);
    m_findWhat->setPlaceholderText(hex ? QStringLiteral("4D 5A 90 00") : QString());
}

}  // namespace quillory
