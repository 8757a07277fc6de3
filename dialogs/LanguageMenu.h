#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QAction;
class QActionGroup;
class QMenu;
struct ProgramState;

// The language menu: one radio entry per language file in the program's
// folder, captioned with its language name, with the file name as hint;
// the entry of the current "LgFile" is checked. With no language file the
// menu is hidden. A choice changes "LgFile" in memory and takes effect at
// the next start.
class LanguageMenu : public QObject {
    Q_OBJECT
public:
    // Fills menuSprache from the language files in folder (with trailing
    // delimiter). state must outlive the menu.
    LanguageMenu(QMenu* menuSprache, ProgramState& state, const QString& folder);

    QList<QAction*> Items() const;
    QActionGroup* Group() const { return m_group; }

    // A click on a language entry.
    void LanguageItemClick(QAction* item);

private:
    ProgramState& m_state;
    QActionGroup* m_group = nullptr;
    // The entry checked before the current click.
    QPointer<QAction> m_checked;
};

// Builds the language menu of menuSprache from the program's folder; the menu owns the result.
LanguageMenu* BuildLanguageMenu(QMenu* menuSprache, ProgramState& state);
