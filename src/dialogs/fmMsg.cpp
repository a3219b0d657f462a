#include "dialogs/fmMsg.h"

#include "dialogs/MsgLayout.h"
#include "dialogs/comMsg.h"
#include "platform/forms/ScreenMetrics.h"
#include "platform/forms/Twips.h"
#include "platform/forms/WindowFrame.h"
#include "util/RuntimeError.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTimer>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

// The forms runtime's "Invalid property value".
constexpr int InvalidPropertyValue = 380;

constexpr double IconLeft = 120; // twips
constexpr double IconTop = 120;
constexpr int IconPixels = 32;
constexpr double ButtonDesignWidth = 1200; // twips; buttons only ever widen from here
constexpr double ButtonDesignHeight = 375;
constexpr double InputDesignWidth = 2400;
constexpr double InputDesignHeight = 300;
constexpr double CaptionPadding = 480; // room for the radio or check mark and the button's edges
constexpr double CaptionPaddingY = 90;
constexpr double ControlPaddingY = 120; // buttons and the input line around one line of text
constexpr int TimerInterval = 100;      // ms, both timers until the time-out is armed

// Messages arrive with CR LF line ends; the label breaks lines on LF only.
QString normaliseLineEnds(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

// The text's extent as the forms runtime measures it on a form: the widest
// line, and the line height times the number of lines, in twips.
QSizeF textSizeTwips(const QFont &font, const QString &text)
{
    const QFontMetricsF metrics(font);
    const QStringList lines = normaliseLineEnds(text).split(QLatin1Char('\n'));
    double width = 0;
    for (const QString &line : lines)
        width = std::max(width, metrics.horizontalAdvance(line));
    return {pixelsToTwipsX(std::ceil(width)), pixelsToTwipsY(std::ceil(metrics.height()) * lines.size())};
}

QStyle::StandardPixmap iconFor(int iconBits)
{
    switch (iconBits) {
    case MsgStyle::Critical: return QStyle::SP_MessageBoxCritical;
    case MsgStyle::Question: return QStyle::SP_MessageBoxQuestion;
    case MsgStyle::Exclamation: return QStyle::SP_MessageBoxWarning;
    case MsgStyle::Information: return QStyle::SP_MessageBoxInformation;
    default: return QStyle::SP_CustomBase;
    }
}

bool keepsChoices(int buttonValue)
{
    // Cancel, Abort, Ignore and No dismiss the question: the options and the
    // check box do not count then.
    return buttonValue != MsgResult::Cancel && buttonValue != MsgResult::Abort &&
           buttonValue != MsgResult::Ignore && buttonValue != MsgResult::No;
}

} // namespace

fmMsg::fmMsg(QWidget *parent)
    : QDialog(parent)
    , m_picture(new QLabel(this))
    , m_message(new QLabel(this))
    , m_inputLabel(new QLabel(this))
    , m_input(new QLineEdit(this))
    , m_check(new QCheckBox(this))
    , m_timer1(new QTimer(this))
    , m_timer2(new QTimer(this))
    , m_twipsPerPixelX(screenMetrics().twipsPerPixelX)
    , m_twipsPerPixelY(screenMetrics().twipsPerPixelY)
{
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    m_picture->hide();                       // an empty picture until an icon is drawn
    m_message->setTextFormat(Qt::PlainText); // file names may hold "<" and "&"
    m_inputLabel->setTextFormat(Qt::PlainText);
    m_inputLabel->hide();
    m_input->hide();
    m_check->hide();

    m_timer1->setInterval(TimerInterval);
    m_timer2->setInterval(TimerInterval);
    connect(m_timer1, &QTimer::timeout, this,
            [this] { runGuarded("Timer1_Timer", [this] { Timer1_Timer(); }); });
    connect(m_timer2, &QTimer::timeout, this,
            [this] { runGuarded("Timer2_Timer", [this] { Timer2_Timer(); }); });
    connect(m_input, &QLineEdit::textChanged, this,
            [this] { runGuarded("TxInput_Change", [this] { TxInput_Change(); }); });

    Layout();
}

fmMsg::~fmMsg() = default;

void fmMsg::DrawSysIcon(int IconNum)
{
    const QStyle::StandardPixmap which = iconFor(IconNum & MsgStyle::IconMask);
    if (which == QStyle::SP_CustomBase) {
        m_iconShown = false;
        m_picture->clear();
        m_picture->hide();
        Layout();
        return;
    }
    const QSize size(IconPixels, IconPixels);
    m_picture->setPixmap(style()->standardIcon(which, nullptr, this).pixmap(size, devicePixelRatioF()));
    m_picture->setFixedSize(size);
    m_picture->move(QPoint(static_cast<int>(std::lround(IconLeft / m_twipsPerPixelX)),
                           static_cast<int>(std::lround(IconTop / m_twipsPerPixelY))));
    m_picture->show();
    m_iconShown = true;
    QApplication::beep();
    Layout();
}

void fmMsg::AddOpt(const QString &CaptionText, int DefaultValue, bool Enabled)
{
    OptionRecord record;
    record.option = new QRadioButton(CaptionText, this);
    const QSizeF text = textSizeTwips(font(), CaptionText);
    const double width = text.width() + CaptionPadding;
    record.height = text.height() + CaptionPaddingY;
    if (m_options.empty() || width > m_contentWidth)
        m_contentWidth = width;
    record.tag = QString::number(DefaultValue);
    record.option->setEnabled(Enabled);
    record.option->show();
    m_options.push_back(record);
    Layout();
}

void fmMsg::AddCh(const QString &CaptionText, int Value)
{
    if (Value < 0 || Value > 2)
        throw RuntimeError(InvalidPropertyValue, QStringLiteral("Invalid property value"));
    m_check->setText(CaptionText);
    const QSizeF text = textSizeTwips(font(), CaptionText);
    m_checkWidth = text.width() + CaptionPadding;
    m_checkHeight = text.height() + CaptionPaddingY;
    m_contentWidth = m_checkWidth;
    m_check->setTristate(Value == 2);
    m_check->setCheckState(Value == 1 ? Qt::Checked : Value == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
    m_check->show();
    m_checkShown = true;
    Layout();
}

void fmMsg::AddButton(const QString &CaptionText, int DefaultMode, int ButtonValue)
{
    ButtonRecord record;
    record.DefaultMode = DefaultMode;
    record.ButtonValue = ButtonValue;
    record.button = new QPushButton(CaptionText, this);
    record.button->setAutoDefault(true);
    record.width = std::max(ButtonDesignWidth, textSizeTwips(font(), CaptionText).width() + CaptionPadding);
    const int index = static_cast<int>(m_buttons.size());
    connect(record.button, &QPushButton::clicked, this,
            [this, index] { runGuarded("BtButton_Click", [this, index] { BtButton_Click(index); }); });
    record.button->show();
    m_buttons.push_back(record);
    Layout();
}

void fmMsg::DispText(const QString &sData)
{
    m_text = normaliseLineEnds(sData);
    Layout();
}

void fmMsg::addCloseIfNeeded()
{
    if (TimeOut == 0 && m_buttons.empty()) {
        m_unloadOnClose = true;
        AddButton(QStringLiteral("Close"), DefaultButton, MsgResult::Cancel);
    }
}

void fmMsg::DispCenter()
{
    addCloseIfNeeded();
    const QPointF topLeft = centreOnScreen(
        QSizeF(pixelsToTwipsX(frameGeometry().width()), pixelsToTwipsY(frameGeometry().height())));
    move(twipsToPixelsX(topLeft.x()), twipsToPixelsY(topLeft.y()));
}

void fmMsg::DispSlide()
{
    addCloseIfNeeded();
}

QString fmMsg::InputStr() const
{
    return m_input->text();
}

void fmMsg::setInputStr(const QString &text)
{
    m_input->setText(text);
}

QString fmMsg::InputLabel() const
{
    return m_inputLabel->text();
}

void fmMsg::setInputLabel(const QString &caption)
{
    m_inputLabel->setText(caption);
    m_inputLabel->resize(m_inputLabel->sizeHint());
    m_inputShown = true;
    Layout();
}

int fmMsg::InputLength() const
{
    return m_inputLength;
}

void fmMsg::setInputLength(int length)
{
    if (length < 0)
        throw RuntimeError(InvalidPropertyValue, QStringLiteral("Invalid property value"));
    m_inputLength = length;
    m_input->setMaxLength(length == 0 ? 32767 : length);
}

QRadioButton *fmMsg::OpMsg(int index) const
{
    if (index < 0 || index >= OptionCount())
        return nullptr;
    return m_options[static_cast<size_t>(index)].option;
}

QPushButton *fmMsg::BtButton(int index) const
{
    if (index < 0 || index >= ButtonCount())
        return nullptr;
    return m_buttons[static_cast<size_t>(index)].button;
}

QPushButton *fmMsg::cancelButton() const
{
    return m_cancel;
}

void fmMsg::Layout()
{
    const QFont &f = font();
    const double textHeight = textSizeTwips(f, QStringLiteral("X")).height();
    const double buttonHeight = std::max(ButtonDesignHeight, textHeight + ControlPaddingY);
    const double inputHeight = std::max(InputDesignHeight, textHeight + ControlPaddingY);

    wrapMessage();
    const MsgLayoutInput in = layoutInput(buttonHeight, inputHeight);
    const MsgLayoutResult out = layoutMsg(in);
    placeControls(in, out);
    applyButtonRoles();
    fitClient(out);
}

void fmMsg::wrapMessage()
{
    // A message wider than the screen leaves room for it (a long file name)
    // is broken into lines, so that the box and all of its text stay within
    // the work area.
    const WindowFrameSizes frameSizes = windowFrameSizes(this);
    const double iconRight = pixelsToTwipsX(m_picture->x() + m_picture->width());
    const double widest = widestMessage(m_iconShown, iconRight, 2 * frameSizes.frameX);
    const QFontMetricsF metrics(m_message->font());
    // A pixel to spare for the label's own rounding.
    const auto widthOf = [&metrics](const QString &piece) {
        return pixelsToTwipsX(std::ceil(metrics.horizontalAdvance(piece)) + 1);
    };
    const QString shown = wrapToWidth(m_text, widest, widthOf);
    if (m_message->text() != shown || m_message->size() != m_message->sizeHint()) {
        m_message->setText(shown);
        m_message->resize(m_message->sizeHint());
    }
}

MsgLayoutInput fmMsg::layoutInput(double buttonHeight, double inputHeight) const
{
    MsgLayoutInput in;
    in.hasIcon = m_iconShown;
    in.icon = QRectF(pixelsToTwipsX(m_picture->x()), pixelsToTwipsY(m_picture->y()),
                     pixelsToTwipsX(m_picture->width()), pixelsToTwipsY(m_picture->height()));
    in.message = QSizeF(pixelsToTwipsX(m_message->width()), pixelsToTwipsY(m_message->height()));
    in.contentWidth = m_contentWidth;
    for (const OptionRecord &option : m_options)
        in.optionHeights.push_back(option.height);
    in.checkShown = m_checkShown;
    in.checkHeight = m_checkHeight;
    in.inputShown = m_inputShown;
    in.inputLabel = QSizeF(pixelsToTwipsX(m_inputLabel->width()), pixelsToTwipsY(m_inputLabel->height()));
    in.inputBox = QSizeF(InputDesignWidth, inputHeight);
    for (const ButtonRecord &button : m_buttons)
        in.buttonWidths.push_back(button.width);
    in.buttonHeight = buttonHeight;
    return in;
}

void fmMsg::placeControls(const MsgLayoutInput &in, const MsgLayoutResult &out)
{
    const TwipsPerPixel tpp = screenTwipsPerPixel();
    m_message->move(twipsToPixelsX(out.message.x()), twipsToPixelsY(out.message.y()));
    for (size_t i = 0; i < m_options.size(); ++i) {
        const OptionRecord &option = m_options[i];
        placeTwips(option.option, out.contentLeft, out.optionTops[i], m_contentWidth, option.height, tpp);
        if (option.tag == QLatin1String("1"))
            option.option->setChecked(true);
    }
    if (m_checkShown)
        placeTwips(m_check, out.check.x(), out.check.y(), m_checkWidth, m_checkHeight, tpp);
    if (m_inputShown) {
        m_inputLabel->move(twipsToPixelsX(out.inputLabel.x()), twipsToPixelsY(out.inputLabel.y()));
        placeTwips(m_input, out.inputBox.x(), out.inputBox.y(), in.inputBox.width(), in.inputBox.height(),
                   tpp);
        m_inputLabel->show();
        m_input->show();
    }
    for (size_t i = 0; i < m_buttons.size(); ++i)
        placeTwips(m_buttons[i].button, out.buttons[i].x(), out.buttons[i].y(), m_buttons[i].width,
                   in.buttonHeight, tpp);
}

void fmMsg::fitClient(const MsgLayoutResult &out)
{
    // The client area is laid out; the window frame comes on top of it.
    const int clientWidth = twipsToPixelsX(out.clientWidth);
    const int clientHeight = twipsToPixelsY(out.clientHeight);
    setFixedSize(clientWidth, clientHeight);
    const QSize frame = frameGeometry().size() - geometry().size();
    const QPointF topLeft = centreOnScreen(
        QSizeF(pixelsToTwipsX(clientWidth + frame.width()), pixelsToTwipsY(clientHeight + frame.height())));
    move(twipsToPixelsX(topLeft.x()), twipsToPixelsY(topLeft.y()));
}

void fmMsg::applyButtonRoles()
{
    for (const ButtonRecord &record : m_buttons)
        record.button->setDefault(false);
    m_cancel = nullptr;
    for (const ButtonRecord &record : m_buttons) {
        if (record.DefaultMode == DefaultButton)
            record.button->setDefault(true);
        else if (record.DefaultMode == CancelButton)
            m_cancel = record.button;
    }
}

void fmMsg::BtButton_Click(int index)
{
    if (index < 0 || index >= ButtonCount())
        throw RuntimeError(ErrNo::SubscriptOutOfRange);
    ButtonNumber = m_buttons[static_cast<size_t>(index)].ButtonValue;
    if (keepsChoices(ButtonNumber)) {
        for (int k = 0; k < OptionCount(); ++k) {
            if (m_options[static_cast<size_t>(k)].option->isChecked()) {
                ButtonNumber += k * MsgResult::OptionStep;
                break;
            }
        }
        if (m_checkShown && m_check->checkState() == Qt::Checked)
            ButtonNumber -= MsgResult::CheckTicked;
    }
    if (m_unloadOnClose)
        Unload();
    else
        hide();
}

void fmMsg::Timer1_Timer()
{
    m_timer1->stop();
    if (Modal == 1)
        hide();
    else
        Unload();
}

void fmMsg::Timer2_Timer()
{
    m_timer2->stop();
    if (CallBackForm) {
        CallBackForm();
        hide();
    }
}

void fmMsg::TxInput_Change()
{
    if (m_buttons.empty())
        return;
    if (!m_input->text().isEmpty()) {
        // With something typed, Enter confirms it with the first button.
        m_buttons.front().button->setDefault(true);
        return;
    }
    applyButtonRoles();
}

void fmMsg::Unload()
{
    m_unloaded = true;
    m_timer1->stop();
    m_timer2->stop();
    hide();
    if (testAttribute(Qt::WA_DeleteOnClose))
        deleteLater();
}

void fmMsg::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_firstShowDone)
        return;
    m_firstShowDone = true;
    if (TimeOut > 0) {
        const double ms = std::min(static_cast<double>(TimeOut) * 1000.0, static_cast<double>(INT_MAX));
        m_timer1->setInterval(static_cast<int>(std::lround(ms)));
        m_timer1->start();
    }
    m_timer2->start();

    // Start where the user acts first: the input, else the default button.
    if (m_inputShown) {
        m_input->setFocus();
        return;
    }
    for (const ButtonRecord &record : m_buttons) {
        if (record.button->isDefault()) {
            record.button->setFocus();
            return;
        }
    }
    if (!m_buttons.empty())
        m_buttons.front().button->setFocus();
}

void fmMsg::closeFromFrame()
{
    // ButtonNumber keeps Closed (or what a button set before): closing is no answer.
    if (m_unloadOnClose)
        Unload();
    else
        hide();
}

void fmMsg::closeEvent(QCloseEvent *event)
{
    // The program itself never closes the box through a close event (it
    // unloads or hides it), so every close event here is the user's.
    event->ignore();
    runGuarded("Form_QueryUnload", [this] { closeFromFrame(); });
}

void fmMsg::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        // Esc answers with the cancel button; a box without one ignores it,
        // as there is no neutral answer to give.
        if (m_cancel && m_cancel->isVisible() && m_cancel->isEnabled())
            m_cancel->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void fmMsg::reject()
{
    closeFromFrame();
}
