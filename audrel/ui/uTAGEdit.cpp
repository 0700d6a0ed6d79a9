#include "uTAGEdit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

#include <sys/stat.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include "Dialogs.h"
#include "ID3v2Loss.h"
#include "MPEGaudio.h"
#include "TextBytes.h"

namespace {

const QString ErrorTitle = QStringLiteral("Error");
const QString ConfirmTitle = QStringLiteral("Confirmation");

// Geometry of the form, in pixels of its client area.
constexpr int ClientWidth = 489, ClientHeight = 359;
constexpr int RowPitch = 22, FieldHeight = 20, FirstRow = 22;
constexpr int GroupTop = 32, LabelLeft = 189, LabelWidth = 78;

int RowY(int row) {
    return FirstRow + row * RowPitch;
}

// The arrow with the hourglass while a tag is written.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::BusyCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

// A caption that draws itself in a smaller font when its text is wider than the label, so that
// longer translations stay whole in the fixed layout.
class TFitLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        QFont f = font();
        const QRect area = contentsRect();
        while (f.pointSizeF() > 6 &&
               QFontMetrics(f).size(Qt::TextShowMnemonic, text()).width() > area.width())
            f.setPointSizeF(f.pointSizeF() - 0.5);
        painter.setFont(f);
        style()->drawItemText(&painter, area, int(alignment()) | Qt::TextShowMnemonic, palette(),
                              isEnabled(), text(), foregroundRole());
    }
};

template <typename T> T* Make(QWidget* parent, const QString& name, QRect geometry) {
    auto* widget = new T(parent);
    widget->setObjectName(name);
    widget->setGeometry(geometry);
    return widget;
}

// The text of an edit field, a memo or a combo box.
QString FieldText(const QWidget* field) {
    if (auto* edit = qobject_cast<const QLineEdit*>(field))
        return edit->text();
    if (auto* memo = qobject_cast<const QPlainTextEdit*>(field))
        return memo->toPlainText();
    if (auto* box = qobject_cast<const QComboBox*>(field))
        return box->currentText();
    return QString();
}

// Long texts show from their start; the rest scrolls into view in the field.
void ShowFromStart(QWidget* field) {
    if (auto* box = qobject_cast<QComboBox*>(field))
        field = box->lineEdit();
    if (auto* edit = qobject_cast<QLineEdit*>(field))
        edit->setCursorPosition(0);
}

void SetFieldText(QWidget* field, const QString& text) {
    if (auto* edit = qobject_cast<QLineEdit*>(field))
        edit->setText(text);
    else if (auto* memo = qobject_cast<QPlainTextEdit*>(field))
        memo->setPlainText(text);
    else if (auto* box = qobject_cast<QComboBox*>(field))
        box->setEditText(text);
    ShowFromStart(field);
}

// A memo's lines end in CR LF inside the tag, as the program has always stored them.
QString MemoFromTag(const std::string& utf8) {
    return QString::fromStdString(utf8).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

std::string MemoToTag(const QString& text) {
    return QString(text).replace(u'\n', QStringLiteral("\r\n")).toStdString();
}

// The largest font, at most the memo's own, in which all lines show without scrolling.
void FitLines(QPlainTextEdit* memo, const QStringList& lines) {
    const QRect room = memo->contentsRect();
    const int margins = 2 * int(memo->document()->documentMargin()) + 2;
    QFont f = memo->parentWidget()->font();
    const auto fits = [&](const QFont& font) {
        const QFontMetrics m(font);
        int widest = 0;
        for (const QString& line : lines)
            widest = std::max(widest, m.horizontalAdvance(line));
        return m.lineSpacing() * int(lines.size()) + margins + 3 <= room.height() &&
               widest + margins + 4 <= room.width();
    };
    while (f.pointSizeF() > 5 && !fits(f))
        f.setPointSizeF(f.pointSizeF() - 0.5);
    memo->setFont(f);
}

QString YesNo(bool value) {
    return value ? QStringLiteral("Yes") : QStringLiteral("No");
}

// The index of the genre name equal to the text, letter case included.
std::optional<uint8_t> GenreIndexOf(const std::string& text) {
    const auto it = std::find(GenreNames.begin(), GenreNames.end(), text);
    if (it == GenreNames.end())
        return std::nullopt;
    return static_cast<uint8_t>(it - GenreNames.begin());
}

} // namespace

TFileStamp TFileStamp::Of(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return {};
    return {true,
            uint64_t(st.st_dev),
            uint64_t(st.st_ino),
            int64_t(st.st_size),
            int64_t(st.st_mtim.tv_sec),
            int64_t(st.st_mtim.tv_nsec)};
}

TMP3TagEdit::TMP3TagEdit(Dialogs& dialogs, QWidget* parent) : QDialog(parent), m_dialogs(dialogs) {
    setObjectName(QStringLiteral("MP3TagEdit"));
    setWindowTitle(QStringLiteral("MP3-file TAG Editor"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    setFixedSize(ClientWidth, ClientHeight);
    setModal(true);
    CreateControls();
    SetTabOrder();
    FormCreate();
}

TMP3TagEdit::~TMP3TagEdit() = default;

void TMP3TagEdit::CreateControls() {
    eFileName = Make<QLineEdit>(this, QStringLiteral("eFileName"), {8, 6, 473, FieldHeight});
    eFileName->setReadOnly(true);

    const auto line = [](QWidget* group, const QString& name, int row, int x, int width) {
        return Make<QLineEdit>(group, name, {x, RowY(row), width, FieldHeight});
    };
    const auto genre = [](QWidget* group, const QString& name, int x, int width) {
        auto* box = Make<QComboBox>(group, name, {x, RowY(5), width, FieldHeight});
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        return box;
    };
    const auto tagBox = [](QWidget* group, const QString& name, const QString& caption) {
        auto* box = Make<QCheckBox>(group, name, {8, FirstRow, 150, FieldHeight});
        box->setText(caption);
        return box;
    };

    // The rows both groups share, named with the group's number. The ID3v2 year is wider: a
    // recording time holds a whole date.
    const auto commonRows = [&](QGroupBox* group, int n, int width, QCheckBox*& check,
                                const std::array<QLineEdit**, 5>& fields, QComboBox*& genreBox) {
        const QString number = QString::number(n);
        check =
            tagBox(group, QStringLiteral("ChBTag") + number, QStringLiteral("ID3v%1 TAG").arg(n));
        const std::array<QString, 5> names = {QStringLiteral("eTrack"), QStringLiteral("eTitle"),
                                              QStringLiteral("eArtist"), QStringLiteral("eAlbum"),
                                              QStringLiteral("eYear")};
        const int yearWidth = n == 1 ? 44 : 76;
        for (int row = 1; row <= 5; ++row)
            *fields[size_t(row - 1)] = line(group, names[size_t(row - 1)] + number, row, 8,
                                            row == 1   ? 40
                                            : row == 5 ? yearWidth
                                                       : width);
        genreBox =
            genre(group, QStringLiteral("cbGenre") + number, 12 + yearWidth, width - yearWidth - 4);
    };

    // ID3v1 on the left, its fields 30 characters wide at most (the tag cuts them on saving).
    boxID3v1 = Make<QGroupBox>(this, QStringLiteral("boxID3v1"), {8, GroupTop, 177, RowY(6) + 28});
    boxID3v1->setTitle(QStringLiteral("ID3v1"));
    commonRows(boxID3v1, 1, 161, ChBTag1, {&eTrack1, &eTitle1, &eArtist1, &eAlbum1, &eYear1},
               cbGenre1);
    eComment1 = line(boxID3v1, QStringLiteral("eComment1"), 6, 8, 161);

    // ID3v2 on the right, with its extra fields under the common ones.
    boxID3v2 = Make<QGroupBox>(this, QStringLiteral("boxID3v2"),
                               {271, GroupTop, 210, ClientHeight - GroupTop - 8});
    boxID3v2->setTitle(QStringLiteral("ID3v2"));
    commonRows(boxID3v2, 2, 194, ChBTag2, {&eTrack2, &eTitle2, &eArtist2, &eAlbum2, &eYear2},
               cbGenre2);
    eComment2 = Make<QPlainTextEdit>(boxID3v2, QStringLiteral("eComment2"),
                                     {8, RowY(6), 194, 2 * RowPitch - 4});
    eComment2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    eComment2->setTabChangesFocus(true);

    const auto label = [](QWidget* parent, const QString& name, const QString& caption,
                          QRect geometry, QWidget* buddy, Qt::Alignment align) {
        QLabel* l = Make<TFitLabel>(parent, name, geometry);
        // Captions come from language files: shown as they are, never as markup.
        l->setTextFormat(Qt::PlainText);
        l->setText(caption);
        l->setAlignment(align | Qt::AlignVCenter);
        l->setBuddy(buddy);
        return l;
    };
    const int extraTop = RowY(8);
    const auto extra = [&](const QString& labelName, const QString& caption,
                           const QString& fieldName, int k, QLabel*& l) {
        const int y = extraTop + k * RowPitch;
        auto* field = Make<QLineEdit>(boxID3v2, fieldName, {82, y, 120, FieldHeight});
        l = label(boxID3v2, labelName, caption, {8, y, 72, FieldHeight}, field, Qt::AlignLeft);
        return field;
    };
    eComposer2 = extra(QStringLiteral("lComposer"), QStringLiteral("Composer"),
                       QStringLiteral("eComposer2"), 0, lComposer);
    eLanguage2 = extra(QStringLiteral("lLanguage"), QStringLiteral("Language"),
                       QStringLiteral("eLanguage2"), 1, lLanguage);
    eCopyright2 = extra(QStringLiteral("lCopyright"), QStringLiteral("Copyright"),
                        QStringLiteral("eCopyright2"), 2, lCopyright);
    eURL2 = extra(QStringLiteral("lURL"), QStringLiteral("URL"), QStringLiteral("eURL2"), 3, lURL);
    eEncoded2 = extra(QStringLiteral("lEncodedBy"), QStringLiteral("Encoded by"),
                      QStringLiteral("eEncoded2"), 4, lEncodedBy);

    // The captions of the common rows stand between the two groups.
    const auto between = [&](const QString& name, const QString& caption, int row, QWidget* buddy) {
        return label(this, name, caption,
                     {LabelLeft, GroupTop + RowY(row), LabelWidth, FieldHeight}, buddy,
                     Qt::AlignHCenter);
    };
    lTrackN = between(QStringLiteral("lTrackN"), QStringLiteral("Track Num"), 1, eTrack1);
    lTitle = between(QStringLiteral("lTitle"), QStringLiteral("Title"), 2, eTitle1);
    lArtist = between(QStringLiteral("lArtist"), QStringLiteral("Artist"), 3, eArtist1);
    lAlbum = between(QStringLiteral("lAlbum"), QStringLiteral("Album"), 4, eAlbum1);
    iGenre = between(QStringLiteral("iGenre"), QStringLiteral("Year && Genre"), 5, eYear1);
    lComment = between(QStringLiteral("lComment"), QStringLiteral("Comment"), 6, eComment1);

    const int infoTop = GroupTop + boxID3v1->height() + 4;
    MPEGInfo = Make<QGroupBox>(this, QStringLiteral("MPEGInfo"),
                               {8, infoTop, 177, ClientHeight - infoTop - 8});
    MPEGInfo->setTitle(QStringLiteral("MPEG Info"));
    MP3Memo1 = Make<QPlainTextEdit>(MPEGInfo, QStringLiteral("MP3Memo1"),
                                    {4, 17, 169, MPEGInfo->height() - 20});
    MP3Memo1->setReadOnly(true);
    MP3Memo1->setFrameShape(QFrame::NoFrame);
    MP3Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    MP3Memo1->document()->setDocumentMargin(1);

    const auto button = [this](const QString& name, const QString& caption, const QString& hint,
                               QRect geometry) {
        auto* b = Make<QPushButton>(this, name, geometry);
        b->setText(caption);
        b->setToolTip(hint);
        return b;
    };
    const int buttonTop = infoTop + 30;
    b2to1 = button(QStringLiteral("b2to1"), QStringLiteral("<&<"), QStringLiteral("Copy to ID3v1"),
                   {LabelLeft, buttonTop, 38, 25});
    b1to2 = button(QStringLiteral("b1to2"), QStringLiteral("&>>"), QStringLiteral("Copy to ID3v2"),
                   {LabelLeft + 40, buttonTop, 38, 25});
    bUpdate = button(QStringLiteral("bUpdate"), QStringLiteral("&Update"),
                     QStringLiteral("Update TAG information"),
                     {LabelLeft, ClientHeight - 8 - 2 * 25 - 6, LabelWidth, 25});
    bCancel =
        button(QStringLiteral("bCancel"), QStringLiteral("&Cancel"),
               QStringLiteral("Cancel & Exit"), {LabelLeft, ClientHeight - 8 - 25, LabelWidth, 25});

    connect(ChBTag1, &QCheckBox::toggled, this, &TMP3TagEdit::ChBTag1Click);
    connect(ChBTag2, &QCheckBox::toggled, this, &TMP3TagEdit::ChBTag2Click);
    connect(b2to1, &QPushButton::clicked, this, &TMP3TagEdit::b2to1Click);
    connect(b1to2, &QPushButton::clicked, this, &TMP3TagEdit::b1to2Click);
    connect(bUpdate, &QPushButton::clicked, this, &TMP3TagEdit::bUpdateClick);
    connect(bCancel, &QPushButton::clicked, this, &TMP3TagEdit::bCancelClick);
}

void TMP3TagEdit::SetTabOrder() {
    const std::vector<QWidget*> order = {
        ChBTag1,    eTrack1,    eTitle1,     eArtist1, eAlbum1,   eYear1,    eComment1,
        cbGenre1,   ChBTag2,    eTrack2,     eTitle2,  eArtist2,  eAlbum2,   eYear2,
        eComposer2, eLanguage2, eCopyright2, eURL2,    eEncoded2, eComment2, cbGenre2,
        eFileName,  MP3Memo1,   bUpdate,     b2to1,    b1to2,     bCancel};
    for (size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void TMP3TagEdit::FormCreate() {
    m_audio = std::make_unique<TMPEGaudio>();
    QStringList genres;
    for (std::string_view name : GenreNames)
        genres.append(QString::fromLatin1(name.data(), qsizetype(name.size())));
    genres.sort(Qt::CaseInsensitive);
    cbGenre1->addItems(genres);
    cbGenre2->addItems(genres);
    cbGenre1->setEditText(QString());
    cbGenre2->setEditText(QString());
    SetGroupEnabled(1, false);
    SetGroupEnabled(2, false);
}

void TMP3TagEdit::showEvent(QShowEvent* event) {
    // Centred on the main window every time it opens, but never off the screen.
    if (QWidget* owner = parentWidget()) {
        QRect frame = frameGeometry();
        frame.moveCenter(owner->frameGeometry().center());
        if (const QScreen* screen = owner->screen()) {
            const QRect area = screen->availableGeometry();
            frame.moveLeft(
                std::max(area.left(), std::min(frame.left(), area.right() - frame.width())));
            frame.moveTop(
                std::max(area.top(), std::min(frame.top(), area.bottom() - frame.height())));
        }
        move(frame.topLeft());
    }
    QDialog::showEvent(event);
}

void TMP3TagEdit::SetGroupEnabled(int group, bool enabled) {
    const std::vector<QWidget*> fields =
        group == 1 ? std::vector<QWidget*>{eTrack1,   eTitle1, eArtist1, eAlbum1,
                                           eComment1, eYear1,  cbGenre1}
                   : std::vector<QWidget*>{eTrack2,    eTitle2,     eArtist2, eAlbum2,
                                           eComment2,  eYear2,      cbGenre2, eComposer2,
                                           eLanguage2, eCopyright2, eURL2,    eEncoded2};
    const QColor colour =
        QApplication::palette().color(enabled ? QPalette::Base : QPalette::Button);
    for (QWidget* field : fields) {
        field->setEnabled(enabled);
        QPalette palette = field->palette();
        palette.setColor(QPalette::Base, colour);
        field->setPalette(palette);
    }
}

void TMP3TagEdit::LoadFile(const std::string& path) {
    m_fileName = path;
    m_wrote = false;
    // Taken before reading: a change while reading then shows as a change too.
    m_stamp = TFileStamp::Of(path);
    m_audio->ReadFromFile(path);
    eFileName->setText(FromFileName(path));
    ShowFromStart(eFileName);
    MP3Memo1->clear();
    if (!m_audio->Valid()) {
        ClearForInvalidFile();
        m_dialogs.MessageBox(isVisible() ? this : parentWidget(),
                             QStringLiteral("Not valid file header!"), ErrorTitle, MsgIcon::Error,
                             MsgButtons::Ok);
        return;
    }
    SetWritable(true);
    ShowMPEGInfo();
    ShowID3v1();
    ShowID3v2();
}

void TMP3TagEdit::ShowMPEGInfo() {
    const TMPEGaudio& a = *m_audio;
    const auto seconds = static_cast<long long>(std::nearbyint(a.Duration())); // halves to even
    const QStringList lines = {
        QStringLiteral("Size: %1 bytes").arg(a.FileLength()),
        QStringLiteral("Header found at: %1").arg(a.ID3v2().Size()),
        QStringLiteral("Length: %1 seconds").arg(seconds),
        FromCodePage(a.Version() + " " + a.Layer()),
        QStringLiteral("%1kbit").arg(a.BitRate()),
        QStringLiteral("%1Hz %2").arg(a.SampleRate()).arg(FromCodePage(a.ChannelMode())),
        QStringLiteral("CRCs: ") + YesNo(a.Frame().HasCRC),
        QStringLiteral("Copyright: ") + YesNo(a.Frame().CopyrightFlag),
        QStringLiteral("Original: ") + YesNo(a.Frame().OriginalFlag),
        QStringLiteral("Emphasis: ") + FromCodePage(a.Emphasis()),
        QStringLiteral("Encoder: ") + FromCodePage(a.Encoder())};
    FitLines(MP3Memo1, lines);
    MP3Memo1->setPlainText(lines.join(u'\n'));
}

void TMP3TagEdit::ShowID3v1() {
    const TID3v1& tag = m_audio->ID3v1();
    ChBTag1->setChecked(tag.Exists());
    SetGroupEnabled(1, tag.Exists());
    const bool e = tag.Exists();
    eTrack1->setText(e ? QString::number(tag.Track()) : QString());
    eTitle1->setText(e ? FromCodePage(tag.Title()) : QString());
    eArtist1->setText(e ? FromCodePage(tag.Artist()) : QString());
    eAlbum1->setText(e ? FromCodePage(tag.Album()) : QString());
    eComment1->setText(e ? FromCodePage(tag.Comment()) : QString());
    eYear1->setText(e ? FromCodePage(tag.Year()) : QString());
    cbGenre1->setEditText(e ? FromCodePage(tag.Genre()) : QString());
    for (QWidget* field :
         std::initializer_list<QWidget*>{eTitle1, eArtist1, eAlbum1, eComment1, cbGenre1})
        ShowFromStart(field);
}

std::array<QWidget*, 12> TMP3TagEdit::ID3v2Fields() const {
    return {eTitle2,   eArtist2,   eAlbum2,   eTrack2,     eYear2,     cbGenre2,
            eComment2, eComposer2, eEncoded2, eCopyright2, eLanguage2, eURL2};
}

void TMP3TagEdit::ShowID3v2() {
    const TID3v2& tag = m_audio->ID3v2();
    ChBTag2->setChecked(tag.Exists());
    SetGroupEnabled(2, tag.Exists());
    const auto fields = ID3v2Fields();
    for (size_t i = 0; i < fields.size(); ++i) {
        const auto field = static_cast<TID3v2::Field>(i);
        QString text;
        if (tag.Exists() && field == TID3v2::Field::Comment)
            text = MemoFromTag(tag.Text(field));
        else if (tag.Exists())
            text = QString::fromStdString(tag.Text(field));
        if (tag.Exists() && field == TID3v2::Field::Track && text.isEmpty())
            text = QStringLiteral("0");
        SetFieldText(fields[i], text);
        m_shownV2[i] = FieldText(fields[i]);
    }
}

void TMP3TagEdit::ClearForInvalidFile() {
    for (QLineEdit* e :
         {eTrack1, eTitle1, eArtist1, eAlbum1, eYear1, eComment1, eTrack2, eTitle2, eArtist2,
          eAlbum2, eYear2, eComposer2, eLanguage2, eCopyright2, eURL2, eEncoded2})
        e->clear();
    eComment2->clear();
    cbGenre1->setEditText(QString());
    cbGenre2->setEditText(QString());
    ChBTag1->setChecked(false);
    ChBTag2->setChecked(false);
    SetGroupEnabled(1, false);
    SetGroupEnabled(2, false);
    SetWritable(false);
}

void TMP3TagEdit::SetWritable(bool writable) {
    for (QWidget* w : std::initializer_list<QWidget*>{ChBTag1, ChBTag2, bUpdate, b2to1, b1to2})
        w->setEnabled(writable);
}

void TMP3TagEdit::ChBTag1Click() {
    SetGroupEnabled(1, ChBTag1->isChecked());
}

void TMP3TagEdit::ChBTag2Click() {
    SetGroupEnabled(2, ChBTag2->isChecked());
}

namespace {

// The fields of both groups that copy into each other, in copying order.
void CopyFields(const std::array<QWidget*, 7>& from, const std::array<QWidget*, 7>& to) {
    for (size_t i = 0; i < from.size(); ++i) {
        const QString text = FieldText(from[i]);
        if (!text.isEmpty())
            SetFieldText(to[i], text);
    }
}

} // namespace

void TMP3TagEdit::b2to1Click() {
    if (m_dialogs.MessageBox(this, QStringLiteral("Copy TAG ID3v2 to ID3v1?"),
                             QStringLiteral("Info"), MsgIcon::Question,
                             MsgButtons::OkCancel) != MsgAnswer::Ok)
        return;
    SetGroupEnabled(1, true);
    CopyFields({eTrack2, eTitle2, eArtist2, eAlbum2, eComment2, eYear2, cbGenre2},
               {eTrack1, eTitle1, eArtist1, eAlbum1, eComment1, eYear1, cbGenre1});
}

void TMP3TagEdit::b1to2Click() {
    if (m_dialogs.MessageBox(this, QStringLiteral("Copy TAG ID3v1 to ID3v2?"), ConfirmTitle,
                             MsgIcon::Question, MsgButtons::OkCancel) != MsgAnswer::Ok)
        return;
    SetGroupEnabled(2, true);
    CopyFields({eTrack1, eTitle1, eArtist1, eAlbum1, eComment1, eYear1, cbGenre1},
               {eTrack2, eTitle2, eArtist2, eAlbum2, eComment2, eYear2, cbGenre2});
}

QString TMP3TagEdit::ID3v2LossWarning() const {
    const TID3v2Loss loss = SurveyID3v2Loss(m_fileName);
    if (!loss.LosesData())
        return QString();
    if (loss.ReplacedWhole)
        return QStringLiteral("The file has an ID3v2.%1 tag; saving replaces it with an ID3v2.3 "
                              "tag that holds only these fields.")
            .arg(loss.Version);
    const int n = loss.DroppedFrames;
    return QStringLiteral("The ID3v2.2 tag holds %1 %2 that ID3v2.3 has no place for; saving "
                          "removes %3.")
        .arg(n)
        .arg(n == 1 ? QStringLiteral("frame") : QStringLiteral("frames"),
             n == 1 ? QStringLiteral("it") : QStringLiteral("them"));
}

bool TMP3TagEdit::Confirm(const QString& text) {
    return m_dialogs.MessageBox(this, text, ConfirmTitle, MsgIcon::None, MsgButtons::OkCancel) ==
           MsgAnswer::Ok;
}

bool TMP3TagEdit::Failed(const QString& action, const QString& tagName, int error) {
    const QString reason = QString::fromLocal8Bit(std::strerror(error));
    m_dialogs.MessageBox(this, action.arg(tagName, FromFileName(m_fileName), reason), ErrorTitle,
                         MsgIcon::Error, MsgButtons::Ok);
    return false;
}

template <typename Tag>
bool TMP3TagEdit::UpdateTag(Tag& tag, const QCheckBox* box, const QString& tagName,
                            void (TMP3TagEdit::*takeFields)()) {
    if (box->isChecked()) {
        (this->*takeFields)();
        const BusyCursor busy;
        if (!tag.SaveToFile(m_fileName))
            return Failed(QStringLiteral("Cannot write %1 TAG to %2: %3."), tagName,
                          tag.LastError());
    } else if (tag.Exists() && Confirm(QStringLiteral("Delete %1 TAG?").arg(tagName))) {
        const BusyCursor busy;
        if (!tag.RemoveFromFile(m_fileName))
            return Failed(QStringLiteral("Cannot remove %1 TAG from %2: %3."), tagName,
                          tag.LastError());
    } else {
        return true;
    }
    // The file is now as this dialog wrote it.
    m_wrote = true;
    m_stamp = TFileStamp::Of(m_fileName);
    return true;
}

namespace {

// What does not parse, or is empty, keeps the track read from the file.
template <typename Tag> void TakeTrack(Tag& tag, const QLineEdit* field) {
    if (const auto track = TID3v2::ParseInteger(ToCodePage(field->text())))
        tag.SetTrack(*track);
}

} // namespace

void TMP3TagEdit::TakeID3v1Fields() {
    TID3v1& tag = m_audio->ID3v1();
    TakeTrack(tag, eTrack1);
    tag.SetTitle(ToCodePage(eTitle1->text()));
    tag.SetArtist(ToCodePage(eArtist1->text()));
    tag.SetAlbum(ToCodePage(eAlbum1->text()));
    tag.SetComment(ToCodePage(eComment1->text()));
    tag.SetYear(ToCodePage(eYear1->text()));
    if (const auto genre = GenreIndexOf(ToCodePage(cbGenre1->currentText())))
        tag.SetGenreIndex(*genre);
}

// Texts go in as Unicode, so that what the code page lacks is kept; a field still showing what
// was read is left alone, so that its frame is kept byte for byte.
void TMP3TagEdit::TakeID3v2Fields() {
    TID3v2& tag = m_audio->ID3v2();
    const auto fields = ID3v2Fields();
    for (size_t i = 0; i < fields.size(); ++i) {
        const QString text = FieldText(fields[i]);
        if (text == m_shownV2[i])
            continue;
        const auto field = static_cast<TID3v2::Field>(i);
        if (field == TID3v2::Field::Track) {
            const std::string track = text.toStdString();
            if (text.contains(u'/') && TID3v2::ParseTrack(track) > 0)
                tag.SetText(field, track); // "5/12" is kept whole
            else
                TakeTrack(tag, eTrack2);
        } else if (field == TID3v2::Field::Comment) {
            tag.SetText(field, MemoToTag(text));
        } else {
            tag.SetText(field, text.toStdString());
        }
    }
}

bool TMP3TagEdit::ChangedOnDisk() {
    if (TFileStamp::Of(m_fileName) == m_stamp)
        return false;
    const QString name = QFileInfo(FromFileName(m_fileName)).fileName();
    if (m_dialogs.MessageBox(this,
                             QStringLiteral("%1 has changed since it was opened.\n\nReload it? "
                                            "The texts typed here are then lost.")
                                 .arg(name),
                             ConfirmTitle, MsgIcon::Warning, MsgButtons::OkCancel) == MsgAnswer::Ok)
        LoadFile(m_fileName);
    return true;
}

void TMP3TagEdit::bUpdateClick() {
    QString question = QStringLiteral("Save changes to ID3v-TAGs?");
    if (ChBTag2->isChecked()) {
        if (const QString warning = ID3v2LossWarning(); !warning.isEmpty())
            question += QStringLiteral("\n\n") + warning;
    }
    if (!Confirm(question) || ChangedOnDisk())
        return;
    // A failure is shown and ends the update: nothing more is written, and the dialog stays
    // open with the user's texts.
    if (!UpdateTag(m_audio->ID3v1(), ChBTag1, QStringLiteral("ID3v1"),
                   &TMP3TagEdit::TakeID3v1Fields) ||
        !UpdateTag(m_audio->ID3v2(), ChBTag2, QStringLiteral("ID3v2"),
                   &TMP3TagEdit::TakeID3v2Fields))
        return;
    accept();
}

std::array<std::string, 6> TMP3TagEdit::RowTags() const {
    TID3v1 v1;
    TID3v2 v2;
    v1.ReadFromFile(m_fileName);
    v2.ReadFromFile(m_fileName);
    const CodePage& cp = CodePage::System();
    using F = TID3v2::Field;
    return {cp.ToUtf8(v1.Artist()), cp.ToUtf8(v1.Title()), cp.ToUtf8(v1.Album()),
            v2.Text(F::Artist),     v2.Text(F::Title),     v2.Text(F::Album)};
}

void TMP3TagEdit::bCancelClick() {
    reject();
}
