// Makes the window's controls findable by assistive technology (and by AT-SPI driven tests):
// every named widget under root gets an accessible name and carries its objectName in its
// accessible description.
#pragma once

class QString;
class QWidget;

// Accessible name: the control's caption (button, label, check box, radio button and group box
// text, the tab text of a page), else its tooltip (the tool-bar buttons), else its objectName.
// Accessible description: the objectName. Call once the form is built.
void exposeAccessibleNames(QWidget *root);

// The caption exposeAccessibleNames gives widget (without the tooltip and objectName fallbacks):
// empty when the widget shows no text of its own.
QString widgetCaption(const QWidget *widget);
