#include "busycursor.h"

#include <QGuiApplication>

busyCursor::busyCursor()
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

busyCursor::~busyCursor()
{
    QGuiApplication::restoreOverrideCursor();
}

cursorLift::cursorLift()
{
    while (const QCursor *shown = QGuiApplication::overrideCursor()) {
        lifted.push_back(*shown);
        QGuiApplication::restoreOverrideCursor();
    }
}

cursorLift::~cursorLift()
{
    for (auto cursor = lifted.rbegin(); cursor != lifted.rend(); ++cursor)
        QGuiApplication::setOverrideCursor(*cursor);
}
