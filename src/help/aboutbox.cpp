#include "aboutbox.h"

#include <QFrame>

namespace tolvan::help {

namespace {

constexpr int windowCharHeight = 12;
constexpr QRgb contactInk = qRgb(0, 64, 128);

// The three panels share the full width of the window and differ only in height.
constexpr int panelLeft = 1;
constexpr int panelWidth = 246;
constexpr int panelStyle = QFrame::Box | QFrame::Sunken;

// Panel1: the program and who makes it.
const LabelDesign titleLabels[] = {
    {"Label1", 72, 8, 101, 24, std::nullopt, 21, false, "Tolvan v1.6"},
    {"Label3", 55, 36, 136, 13, navy, 12, false, "By the Tolvan contributors"},
    {"Label2", 60, 52, 125, 13, red, 12, false, "The Tolvan project, 2026"},
};

// Panel2: how to reach the project.
const LabelDesign contactLabel = {
    "Label4", 13, 60, 219, 26, contactInk, 12, true, "Write to us on the Tolvan issue tracker."};

// Panel3: where the language itself is described in full.
const LabelDesign referenceLabels[] = {
    {"Label5", 4, 4, 237, 29, std::nullopt, 0, true,
     "For all of HTML, read the HTML Living Standard and MDN's HTML reference:"},
    {"Label6", 5, 36, 237, 41, blue, 12, true,
     "https://html.spec.whatwg.org/\nhttps://developer.mozilla.org/docs/Web/HTML"},
    {"Label7", 20, 80, 205, 41, std::nullopt, 0, true,
     "Both can be read online or saved for reading offline."},
};

} // namespace

TAboutBox::TAboutBox(QWidget *parent)
    : InfoWindow(QStringLiteral("AboutBox"), QStringLiteral("About"), QSize(248, 334),
                 windowCharHeight, parent)
{
    // Created in tab order: the button first, then the panels.
    addOkButton(QPoint(87, 308));

    QFrame *title = addPanel("Panel1", QRect(panelLeft, 4, panelWidth, 73), panelStyle);
    addImage(title, "Image1", QRect(4, 4, 32, 32), "about1");
    addImage(title, "Image3", QRect(208, 4, 32, 32), "about3");
    for (const LabelDesign &label : titleLabels)
        addLabel(title, label);

    QFrame *contact = addPanel("Panel2", QRect(panelLeft, 80, panelWidth, 93), panelStyle);
    addImage(contact, "Image2", QRect(75, 8, 96, 48), "about2");
    addLabel(contact, contactLabel);

    QFrame *references = addPanel("Panel3", QRect(panelLeft, 176, panelWidth, 129), panelStyle);
    for (const LabelDesign &label : referenceLabels)
        addLabel(references, label);
}

} // namespace tolvan::help
