#include "dialogs/fmDispSizeSetting.h"

#include "dialogs/DesignForm.h"
#include "dialogs/DialogRules.h"
#include "util/RuntimeError.h"

#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>

#include <array>

namespace {

// The design, in twips: the sketch of the video frame in the middle of a
// frame, one field (with its spin bar and "%") on each side of it.
constexpr double SketchLeft = 1680;
constexpr double SketchTop = 1080;
constexpr double SketchWidth = 1800;
constexpr double SketchHeight = 1350;
constexpr double FieldWidth = 600;
constexpr double FieldHeight = 300;
constexpr double SpinWidth = 240;
constexpr double PercentWidth = 240;
constexpr double GroupWidth = FieldWidth + SpinWidth + 60 + PercentWidth;
constexpr double Gap = 120;
constexpr double ButtonTop = 3210;
constexpr double ButtonWidth = 1080;
constexpr double ButtonHeight = 360;

// Where each field's group starts, in the order left, top, bottom, right.
constexpr double MiddleTop = SketchTop + SketchHeight / 2 - FieldHeight / 2;
constexpr double CentreLeft = SketchLeft + SketchWidth / 2 - GroupWidth / 2;
constexpr std::array<QPointF, 4> GroupPlaces{
    QPointF(SketchLeft - Gap - GroupWidth, MiddleTop),
    QPointF(CentreLeft, SketchTop - Gap - FieldHeight),
    QPointF(CentreLeft, SketchTop + SketchHeight + Gap),
    QPointF(SketchLeft + SketchWidth + Gap, MiddleTop),
};

constexpr int SpinMinimum = -32768;
constexpr int SpinMaximum = 32767;

} // namespace

fmDispSizeSetting::fmDispSizeSetting(ClassPref3 &pref, Preview preview, QWidget *parent)
    : QDialog(parent)
    , m_settings(pref)
    , m_preview(std::move(preview))
{
    setWindowTitle(QStringLiteral("表示領域設定"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(false);
    buildControls();

    for (int i = 0; i < 4; ++i) {
        connect(m_fields[i], &QLineEdit::textChanged, this,
                [this, i] { runGuarded("TxCutSize_Change", [this, i] { TxCutSize_Change(i); }); });
        connect(m_spins[i], &QScrollBar::valueChanged, this,
                [this, i] { runGuarded("VScCutSize_Change", [this, i] { VScCutSize_Change(i); }); });
    }
    connect(m_btOK, &QPushButton::clicked, this,
            [this] { runGuarded("btOK_Click", [this] { btOK_Click(); }); });
    connect(m_btCancel, &QPushButton::clicked, this,
            [this] { runGuarded("BtCancel_Click", [this] { BtCancel_Click(); }); });
    connect(m_btReset, &QPushButton::clicked, this,
            [this] { runGuarded("BtReset_Click", [this] { BtReset_Click(); }); });

    loadDialogPlace(*this, m_settings, PlacedForm::SizeSetting);
}

fmDispSizeSetting::~fmDispSizeSetting() = default;

void fmDispSizeSetting::buildControls()
{
    // Made in this order, which is also their stacking order.
    DesignForm form(QSizeF(5160, 3690));
    buildSketch(form);
    buildCutFields(form);
    buildButtons(form);
    form.apply(*this);

    // The labels lie on the sketch, which was created before them.
    m_laWidth->raise();
    m_laHeight->raise();
    chainTabOrder();
    m_btOK->setFocus();
}

void fmDispSizeSetting::buildSketch(DesignForm &form)
{
    m_label3 = new QLabel(QStringLiteral("表示領域"), this);
    m_frame1 = new QFrame(this);
    m_frame1->setFrameShape(QFrame::Box);
    m_frame1->setFrameShadow(QFrame::Sunken);

    m_picture1 = new QFrame(this);
    m_picture1->setObjectName(QStringLiteral("Picture1"));
    m_picture1->setFrameShape(QFrame::Box);
    m_picture1->setLineWidth(2);
    m_picture1->setAutoFillBackground(true);
    QPalette sketch = m_picture1->palette();
    sketch.setColor(QPalette::Window, QColor(200, 212, 228));
    m_picture1->setPalette(sketch);
    m_laWidth = new QLabel(QStringLiteral("←  320 pix  →"), this);
    m_laHeight = new QLabel(QStringLiteral(" ↑ 240  pix  ↓"), this);
    for (QLabel *label : {m_laWidth, m_laHeight})
        label->setAlignment(Qt::AlignCenter);

    form.add(m_label3, QRectF(120, 90, 1200, 240));
    form.add(m_frame1, QRectF(120, 360, 4920, 2730));
    form.add(m_picture1, QRectF(SketchLeft, SketchTop, SketchWidth, SketchHeight));
    form.add(m_laWidth, QRectF(SketchLeft + 60, SketchTop + 360, SketchWidth - 120, 240));
    form.add(m_laHeight, QRectF(SketchLeft + 60, SketchTop + 750, SketchWidth - 120, 240));
}

void fmDispSizeSetting::buildCutFields(DesignForm &form)
{
    for (std::size_t i = 0; i < 4; ++i) {
        const QPointF at = GroupPlaces[i];
        m_fields[i] = new QLineEdit(QStringLiteral("0"), this);
        m_fields[i]->setObjectName(QStringLiteral("TxCutSize%1").arg(i));
        m_fields[i]->installEventFilter(this);
        m_spins[i] = new QScrollBar(Qt::Vertical, this);
        m_spins[i]->setObjectName(QStringLiteral("VScCutSize%1").arg(i));
        m_spins[i]->setRange(SpinMinimum, SpinMaximum);
        m_spins[i]->setSingleStep(1);
        m_spins[i]->setPageStep(1);
        m_spins[i]->setValue(0);
        m_spins[i]->setFocusPolicy(Qt::StrongFocus);
        m_spins[i]->installEventFilter(this);
        m_percent[i] = new QLabel(QStringLiteral("%"), this);
        form.add(m_fields[i], QRectF(at.x(), at.y(), FieldWidth, FieldHeight));
        form.add(m_spins[i], QRectF(at.x() + FieldWidth, at.y(), SpinWidth, FieldHeight));
        form.add(m_percent[i], QRectF(at.x() + FieldWidth + SpinWidth + 60, at.y() + 30, PercentWidth, 240));
    }
}

void fmDispSizeSetting::buildButtons(DesignForm &form)
{
    m_btOK = new QPushButton(QStringLiteral("OK"), this);
    m_btCancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_btReset = new QPushButton(QStringLiteral("Reset"), this);
    m_btOK->setDefault(true);
    form.add(m_btReset, QRectF(120, ButtonTop, ButtonWidth, ButtonHeight));
    form.add(m_btOK, QRectF(2760, ButtonTop, ButtonWidth, ButtonHeight));
    form.add(m_btCancel, QRectF(3960, ButtonTop, ButtonWidth, ButtonHeight));
}

void fmDispSizeSetting::chainTabOrder()
{
    QWidget *previous = m_btOK;
    const auto chain = [&previous](QWidget *next) {
        setTabOrder(previous, next);
        previous = next;
    };
    for (QLineEdit *field : m_fields)
        chain(field);
    chain(m_btCancel);
    for (QScrollBar *spin : m_spins)
        chain(spin);
    chain(m_btReset);
}

void fmDispSizeSetting::setFields(const CutPercents &cut)
{
    // One at a time, in this order: each assignment is a change the preview follows.
    m_fields[0]->setText(cut.left);
    m_fields[1]->setText(cut.top);
    m_fields[2]->setText(cut.bottom);
    m_fields[3]->setText(cut.right);
}

void fmDispSizeSetting::fillFromSettings()
{
    setFields(m_settings.cutPercents());
}

void fmDispSizeSetting::Start()
{
    fillFromSettings();
}

void fmDispSizeSetting::TxCutSize_Change(int /*index*/)
{
    m_preview(m_fields[0]->text(), m_fields[1]->text(), m_fields[2]->text(), m_fields[3]->text());
}

void fmDispSizeSetting::VScCutSize_Change(int index)
{
    QScrollBar *spin = m_spins.at(static_cast<std::size_t>(index));
    QLineEdit *field = m_fields.at(static_cast<std::size_t>(index));
    const int position = spin->value();
    {
        // The bar goes back to rest first, so a field the step cannot read
        // (a number beyond the double range) leaves no bar stuck off 0.
        const QSignalBlocker quiet(spin);
        spin->setValue(0);
    }
    field->setText(spunFieldText(field->text(), position));
    field->setFocus();
}

void fmDispSizeSetting::btOK_Click()
{
    m_settings.setCutPercents(
        {m_fields[0]->text(), m_fields[1]->text(), m_fields[2]->text(), m_fields[3]->text()});
    closeDialog();
}

void fmDispSizeSetting::BtCancel_Click()
{
    fillFromSettings();
    closeDialog();
}

void fmDispSizeSetting::BtReset_Click()
{
    setFields(CutPercents{});
}

void fmDispSizeSetting::discard()
{
    m_discarded = true;
    hide();
}

void fmDispSizeSetting::closeDialog()
{
    storeDialogPlace(*this, m_settings, PlacedForm::SizeSetting);
    done(Accepted);
}

void fmDispSizeSetting::closeEvent(QCloseEvent *event)
{
    // done() closes without a close event, so this is the user's close box,
    // system menu or Alt+F4: Cancel.
    event->accept();
    if (m_discarded)
        return;
    runGuarded("Form_QueryUnload", [this] { BtCancel_Click(); });
}

void fmDispSizeSetting::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F4 && event->modifiers() == Qt::AltModifier) {
        // The system menu's close, for displays without a window manager.
        close();
        return;
    }
    QDialog::keyPressEvent(event);
}

void fmDispSizeSetting::reject()
{
    // Esc presses Cancel.
    runGuarded("BtCancel_Click", [this] { BtCancel_Click(); });
}

bool fmDispSizeSetting::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn) {
        for (std::size_t i = 0; i < 4; ++i) {
            if (watched == m_fields[i])
                m_fields[i]->selectAll();
            else if (watched == m_spins[i])
                m_fields[i]->setFocus(); // the bars only step; typing goes to the field
        }
    }
    return QDialog::eventFilter(watched, event);
}
