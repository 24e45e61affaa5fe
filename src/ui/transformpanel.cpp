// The 変形 page's set-up, its table-wired bars and edits, the resize edits, the rotation choice,
// the preview and commit of the transforms. The trimming rectangle is in transformpanel_trimming.cpp.
#include "transformpanel.h"

#include "geometry/commonfigureroutine.h"
#include "geometry/commonresizerect.h"
#include "geometry/prepareshape.h"
#include "geometry/shapedescription.h"
#include "geometry/shapeparameters.h"
#include "imagedata/imagedocument.h"
#include "imagedata/imageerror.h"
#include "operationpages.h"
#include "windowhost.h"
#include "mainform_state.h"
#include "mytoolbox.h"
#include "transformcontrols.h"
#include "ui_mainform.h"
#include "widgets/imagecontrol.h"
#include "widgets/keyupedit.h"
#include "widgets/progressbar.h"
#include "widgets/radiogroup.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QProxyStyle>
#include <QSlider>
#include <QStyleOptionSlider>
#include <algorithm>
#include <cmath>

namespace {

// The application's style, except that a track bar whose "sliderVisible" property is false is
// drawn without its slider: only the groove and the ticks.
class sliderOptionalStyle : public QProxyStyle {
public:
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex *option, QPainter *painter,
                            const QWidget *widget) const override
    {
        if (control == CC_Slider && widget && widget->property("sliderVisible") == false) {
            if (const auto *slider = qstyleoption_cast<const QStyleOptionSlider *>(option)) {
                QStyleOptionSlider bare(*slider);
                bare.subControls &= ~SC_SliderHandle;
                bare.activeSubControls &= ~SC_SliderHandle;
                QProxyStyle::drawComplexControl(control, &bare, painter, widget);
                return;
            }
        }
        QProxyStyle::drawComplexControl(control, option, painter, widget);
    }
};

void setSliderVisible(QSlider *bar, bool visible)
{
    if (!bar->findChild<sliderOptionalStyle *>(QString(), Qt::FindDirectChildrenOnly)) {
        auto *style = new sliderOptionalStyle;
        style->setParent(bar);
        bar->setStyle(style);
    }
    bar->setProperty("sliderVisible", visible);
    bar->update();
}

// The number an edit of the row holds in the engine's unit: hundredths of a degree for the angle
// (its text a decimal number), else a whole number; nothing for any other text.
std::optional<int> engineNumberOf(const shapeParameter &row, const QString &text)
{
    return row.scale == 100 ? hundredthsOf(text) : wholeNumberOf(text);
}

QString translated(const char *label) { return QCoreApplication::translate("TmainForm", label); }

// The whole number an edit must hold; anything else is refused with the edit's label.
int requiredWholeNumber(const QLineEdit *edit, const char *label)
{
    if (std::optional<int> value = wholeNumberOf(edit->text())) return *value;
    throw imageError(QCoreApplication::translate("TmainForm", "%1：「%2」は整数ではありません。").arg(translated(label), edit->text()));
}
} // namespace

transformPanel::transformPanel(windowHost &owner) : form(owner), shapeSetUp(std::make_unique<prepareShape>())
{
    shapeSetUp->engine->progressBar = form.state->progress->indicator();
    bindParameters();
    setUpTrimming();
    connect(form.state->rotateAngleGroup.get(), &radioGroup::clicked, this, &transformPanel::rotateAngleRadioGroupClick);
}

transformPanel::~transformPanel() = default;

// ---- The table's bars and edits ------------------------------------------------------------------

void transformPanel::bindParameters()
{
    const std::pair<QLineEdit *, void (transformPanel::*)()> resizeEdits[] = {
        {form.ui->verticalMagParcentEdit, &transformPanel::verticalMagParcentEditKeyUp},
        {form.ui->verticalMagPixelEdit, &transformPanel::verticalMagPixelEditKeyUp},
        {form.ui->horizontalMagParcentEdit, &transformPanel::horizontalMagParcentEditKeyUp},
        {form.ui->horizontalMagPixelEdit, &transformPanel::horizontalMagPixelEditKeyUp},
    };
    for (const auto &[edit, handler] : resizeEdits) connect(new keyUpEdit(edit), &keyUpEdit::keyUp, this, handler);

    for (const shapeParameter &row : shapeParameters()) {
        auto *edit = form.widget().findChild<QLineEdit *>(QString::fromLatin1(row.edit));
        if (!edit) continue; // every edit of the table is on the form; skip rather than crash
        QSlider *bar = row.control ? form.widget().findChild<QSlider *>(QString::fromLatin1(row.control)) : nullptr;
        parameters.push_back({&row, bar, edit});
    }
    // Bound after the vector is complete: the handlers keep the element's address.
    for (boundParameter &p : parameters) {
        if (!p.bar) continue;
        form.setUpTrackBar(p.bar, p.row->minimum, p.row->maximum, p.row->start, p.row->tickSpacing, p.row->pageStep);
        connect(p.bar, &QSlider::valueChanged, this, [this, &p] { trackBarChange(p); });
        connect(p.edit, &QLineEdit::textEdited, this, [this, &p] { editEdited(p); });
        connect(new keyUpEdit(p.edit), &keyUpEdit::keyUp, this, [this, &p] { editKeyUp(p); });
        field(p) = engineValue(*p.row, p.bar->value());
    }
}

std::int32_t &transformPanel::field(const boundParameter &p) const
{
    return p.row->member ? (*shapeSetUp->engine).*(p.row->member) : (*shapeSetUp).*(p.row->size);
}

void transformPanel::previewNow()
{
    form.guarded([this] { form.applyOperation(windowHost::operationMode::preview); });
}

void transformPanel::takeBarPosition(boundParameter &p)
{
    p.edit->setText(QString::number(p.bar->value()));
    p.invalid = false;
    field(p) = engineValue(*p.row, p.bar->value());
}

void transformPanel::trackBarChange(boundParameter &p)
{
    takeBarPosition(p);
    previewNow();
}

void transformPanel::editEdited(boundParameter &p)
{
    const std::optional<int> value = engineNumberOf(*p.row, p.edit->text());
    p.invalid = !value;
    if (value) field(p) = *value;
}

void transformPanel::editKeyUp(boundParameter &p)
{
    editEdited(p);
    const QString text = p.edit->text();
    if (p.row->scale == 1 ? !isIntegerEntry(text, {}) : !isRealNumberEntry(text, {})) return;
    const double units = std::trunc(text.toDouble());
    p.bar->setValue(int(std::clamp(units, double(p.bar->minimum()), double(p.bar->maximum()))));
    previewNow();
}

void transformPanel::setValue(boundParameter &p, int position)
{
    {
        const QSignalBlocker quiet(p.bar);
        p.bar->setValue(position);
    }
    takeBarPosition(p);
}

void transformPanel::reset()
{
    // The amounts last to first in the table (distortion, trapezoid, slope), the rotation with its
    // choice, then the sizes.
    for (auto p = parameters.rbegin(); p != parameters.rend(); ++p) {
        if (!p->bar) continue;
        if (p->row->code == shapeRotateAngle) form.state->rotateAngleGroup->setItemIndex(0);
        setValue(*p, p->row->start);
    }
    shapeSetUp->horizontalPercent = 100.0;
    shapeSetUp->verticalPercent = 100.0;
    form.ui->horizontalMagParcentEdit->setText(magnificationText(100.0, 2));
    form.ui->verticalMagParcentEdit->setText(magnificationText(100.0, 2));
    form.ui->reSizeRatioCheckBox->setChecked(true);
    previewNow();
}

void transformPanel::capture()
{
    for (const boundParameter &p : parameters) {
        if (p.bar) {
            if (!p.invalid) continue; // the engine holds its number already
            if (p.row->scale != 1) // the angle, in degrees with decimals
                throw imageError(QCoreApplication::translate("TmainForm", "回転角度：「%1」は角度として使えない値です。").arg(p.edit->text()));
            requiredWholeNumber(p.edit, p.row->label);
        }
        // The sizes are read by a resize commit only (check insists on them there): a size edit
        // left empty while the user retypes it stops no preview.
        if (p.row->size) {
            if (std::optional<int> size = wholeNumberOf(p.edit->text())) field(p) = *size;
        } else {
            field(p) = requiredWholeNumber(p.edit, p.row->label);
        }
    }
}

void transformPanel::check(std::uint32_t code, bool commit) const
{
    if (code == shapeResize && commit) {
        for (const boundParameter &p : parameters)
            if (p.row->size) requiredWholeNumber(p.edit, p.row->label);
        for (const boundParameter &p : parameters)
            if (p.row->size && (field(p) < p.row->minimum || field(p) > p.row->maximum))
                throw imageError(QCoreApplication::translate("TmainForm", "幅と高さは %1 から %2 ピクセルの範囲で指定してください。")
                                     .arg(QString::number(p.row->minimum), QString::number(p.row->maximum)));
    }
    // An edit may hold a value its bar cannot reach (the bar stood at its end already).
    for (const boundParameter &p : parameters) {
        if (!p.bar || p.row->code != code || p.row->scale != 1) continue;
        const int value = field(p);
        if (value < p.row->minimum || value > p.row->maximum)
            throw imageError(QCoreApplication::translate("TmainForm", "%1は %2 から %3 の範囲で指定してください。")
                                 .arg(translated(p.row->label), QString::number(p.row->minimum),
                                      QString::number(p.row->maximum)));
    }
    // A result larger than any picture Korvia opens is refused before the work.
    if (commit && form.state->currentBitmap) shapeSetUp->checkShapedSize(form.state->currentBitmap->width(), form.state->currentBitmap->height());
}

// ---- Preview and commit -------------------------------------------------------------------------

void transformPanel::preview(std::uint32_t code)
{
    if (hasPixels(form.state->sampleBitmap)) {
        if (std::optional<QImage> shaped = shapeSetUp->makePreviewBitmap(form.state->sampleBitmap))
            form.state->sampleBitmap = std::move(*shaped);
        if (code == shapeRotateRight90 || code == shapeRotateLeft90) {
            const rectangle old = form.state->sampleRect;
            form.state->sampleRect = rectangle{old.top, old.left, old.bottom, old.right};
        }
    }
    form.drawViews(windowHost::viewChoice::sample);
    drawSampleGrid();
}

void transformPanel::drawSampleGrid()
{
    // The guide grid over the whole sample view, drawn inverting.
    QImage &canvas = form.ui->sampleImage->canvas();
    if (canvas.width() >= 8 && canvas.height() >= 8) {
        figureCanvas pen(canvas);
        pen.inverting = true;
        drawGrid(pen, canvas.width(), canvas.height(), 8);
        pen.inverting = false;
    }
    form.ui->sampleImage->canvasChanged();
}

void transformPanel::commit(imageDocument &d)
{
    if (!hasPixels(d.bitmap)) return;
    QImage shaped = shapeSetUp->makeShapedBitmap(d.bitmap); // throws when it cannot be made
    if (shaped.isNull()) return; // no transform chosen: the picture stays as it was
    d.bitmap = std::move(shaped);
    form.layoutViews(windowHost::viewChoice::both);
    form.drawViews(windowHost::viewChoice::main);
}

// ---- Resize edits -------------------------------------------------------------------------------

void transformPanel::rewriteMagnificationPair(magnification kind)
{
    // The edit being typed in is rewritten too: an unchanged text keeps its selection, and a
    // changed one keeps the caret where it was, so that typing 1, 5, 0 into a percent edit
    // reads 1.00, 15.00, 150.00 rather than running on behind the decimals.
    const auto rewrite = [](QLineEdit *edit, const QString &text) {
        if (edit->text() == text) return;
        const int caret = edit->cursorPosition();
        edit->setText(text);
        edit->setCursorPosition(std::min(caret, int(text.size())));
    };
    const bool vertical = kind == magnification::vertical;
    const double percent = vertical ? shapeSetUp->verticalPercent : shapeSetUp->horizontalPercent;
    const double size = vertical ? form.state->pictureHeight : form.state->pictureWidth;
    rewrite(vertical ? form.ui->verticalMagPixelEdit : form.ui->horizontalMagPixelEdit,
            magnificationText(percent * size * 0.01, 0));
    rewrite(vertical ? form.ui->verticalMagParcentEdit : form.ui->horizontalMagParcentEdit,
            magnificationText(percent, 2));
}

void transformPanel::magnificationSync(magnification kind)
{
    if (!form.hasImage()) return;
    if (form.ui->reSizeRatioCheckBox->isChecked()) {
        if (kind == magnification::vertical)
            shapeSetUp->horizontalPercent = shapeSetUp->verticalPercent;
        else
            shapeSetUp->verticalPercent = shapeSetUp->horizontalPercent;
        rewriteMagnificationPair(magnification::horizontal);
        rewriteMagnificationPair(magnification::vertical);
    } else {
        rewriteMagnificationPair(kind);
    }
}

void transformPanel::resizeEditKeyUp(QLineEdit *edit, magnification kind, bool pixels)
{
    if (!form.hasImage()) return;
    if (isRealNumberEntry(edit->text(), {})) {
        const double value = edit->text().toDouble();
        const bool vertical = kind == magnification::vertical;
        const double size = vertical ? form.state->pictureHeight : form.state->pictureWidth;
        double &percent = vertical ? shapeSetUp->verticalPercent : shapeSetUp->horizontalPercent;
        bool changed = false;
        if (!pixels && value > 0) {
            percent = value;
            changed = true;
        } else if (pixels && value >= 1 && size >= 1) {
            percent = value / size * 100.0;
            changed = true;
        }
        if (changed) magnificationSync(kind);
    }
    previewNow();
}

void transformPanel::verticalMagParcentEditKeyUp()
{
    resizeEditKeyUp(form.ui->verticalMagParcentEdit, magnification::vertical, false);
}
void transformPanel::verticalMagPixelEditKeyUp()
{
    resizeEditKeyUp(form.ui->verticalMagPixelEdit, magnification::vertical, true);
}
void transformPanel::horizontalMagParcentEditKeyUp()
{
    resizeEditKeyUp(form.ui->horizontalMagParcentEdit, magnification::horizontal, false);
}
void transformPanel::horizontalMagPixelEditKeyUp()
{
    resizeEditKeyUp(form.ui->horizontalMagPixelEdit, magnification::horizontal, true);
}

// ---- The rotation's choice ----------------------------------------------------------------------

void transformPanel::rotateAngleRadioGroupClick()
{
    // The rotation tab's bar and edit serve the choice their row belongs to.
    const std::uint32_t chosen = operationCodeOf(transformPage, rotateTab, form.state->rotateAngleGroup->itemIndex());
    for (const boundParameter &p : parameters) {
        const shapeDescription *d = describeShape(p.row->code);
        if (!p.bar || !d || d->tab != rotateTab) continue;
        const bool enabled = p.row->code == chosen;
        setSliderVisible(p.bar, enabled);
        p.edit->setEnabled(enabled);
    }
    form.ui->rotateAngleStaticText->setEnabled(chosen == shapeRotateAngle);
    previewNow();
}
