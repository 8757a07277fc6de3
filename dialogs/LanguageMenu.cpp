#include "dialogs/LanguageMenu.h"

#include "core/LanguageFile.h"
#include "core/MessageDlg.h"
#include "core/ProgramState.h"
#include "core/Tools.h"
#include "platform/SystemPaths.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

namespace {

// Letter case is ignored for a to z only, the way the stored name was typed.
QString AsciiLower(const QString& text)
{
    QString out = text;
    for (QChar& c : out) {
        if (c.unicode() >= u'A' && c.unicode() <= u'Z')
            c = QChar(char16_t(c.unicode() + (u'a' - u'A')));
    }
    return out;
}

}  // namespace

LanguageMenu::LanguageMenu(QMenu* menuSprache, ProgramState& state, const QString& folder)
    : QObject(menuSprache), m_state(state)
{
    const QList<LanguageChoice> files = FindLanguageFiles(folder);
    if (files.isEmpty()) {
        menuSprache->menuAction()->setVisible(false);
        return;
    }
    m_group = new QActionGroup(this);
    m_group->setExclusive(true);
    const QString current = AsciiLower(m_state.LgFile);
    for (const LanguageChoice& file : files) {
        auto* item = new QAction(file.languageName, m_group);
        item->setStatusTip(file.fileName);
        item->setCheckable(true);
        if (AsciiLower(file.fileName) == current) {
            item->setChecked(true);
            m_checked = item;
        }
        menuSprache->addAction(item);
    }
    connect(m_group, &QActionGroup::triggered, this, &LanguageMenu::LanguageItemClick);
}

QList<QAction*> LanguageMenu::Items() const { return m_group ? m_group->actions() : QList<QAction*>(); }

void LanguageMenu::LanguageItemClick(QAction* item)
{
    // A menu click has already checked the entry: what counts is whether
    // it was the checked one before.
    if (!item || item == m_checked)
        return;
    item->setChecked(true);
    m_checked = item;
    m_state.LgFile = item->statusTip();
    QString caption = item->text();
    caption.remove(QLatin1Char('&'));
    MessageDlg(QString(),
               ReplaceFirst(LangString("Main", "ChooseLg",
                                       "Sie haben die Sprache %s gewählt. Diese Einstellung wird beim nächsten "
                                       "Start wirksam."),
                            QStringLiteral("%s"), caption),
               mtInformation, MsgButtons({mbOK}));
}

LanguageMenu* BuildLanguageMenu(QMenu* menuSprache, ProgramState& state)
{
    return new LanguageMenu(menuSprache, state, platform::ProgramFolder());
}
