#include "dialogs/ElFormCaption.h"

#include "core/LanguageFile.h"

#include <QWidget>

ElFormCaption::ElFormCaption(QWidget* form) : QObject(form), m_form(form)
{
    setObjectName(QStringLiteral("ElFormCaption"));
}

void ElFormCaption::SetCaption(const QString& caption)
{
    m_caption = caption;
    if (m_form)
        m_form->setWindowTitle(caption);
}

ElFormCaption* FindFormCaption(QWidget* form)
{
    return form ? form->findChild<ElFormCaption*>(QStringLiteral("ElFormCaption"), Qt::FindDirectChildrenOnly)
                : nullptr;
}

void AdjustFormCaption(QWidget* form)
{
    if (!form || IsUnicodeFile(ActiveLanguageFile().FileName()))
        return;
    // Removed at once, so that forms asking for it right after see it gone.
    delete FindFormCaption(form);
}

void SetFormCaption(QWidget* form, const QString& caption)
{
    if (!form)
        return;
    if (ElFormCaption* component = FindFormCaption(form))
        component->SetCaption(caption);
    else
        form->setWindowTitle(caption);
}
