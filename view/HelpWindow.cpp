#include "view/HelpWindow.h"

#include <QTextBrowser>
#include <QVBoxLayout>

// The help text is compiled into a static library, whose resource registration the linker drops
// unless something refers to it.
static void registerHelpResources()
{
    Q_INIT_RESOURCE(help);
}

namespace quillory {

HelpWindow::HelpWindow(QWidget* parent) : QDialog(parent), m_browser(new QTextBrowser(this))
{
    registerHelpResources();
    setWindowTitle(tr("Quillory Help"));
    m_browser->setSource(QUrl(QStringLiteral("qrc:/help/help.html")));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    resize(640, 560);
}

}  // namespace quillory
