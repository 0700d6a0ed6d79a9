#include "cameras/CamList.h"

#include "platform/Controls.h"
#include "platform/MessageBoxes.h"

#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalBlocker>
#include <QStringDecoder>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace orlisk {

namespace {

void WriteLine(QIODevice& out, const QByteArray& line) {
    out.write(line);
    out.write("\r\n", 2);
}

// A typed field must stay one line, or it would break the pairing of lines.
QByteArray OneLine(const QString& text) {
    QByteArray bytes = text.toLocal8Bit();
    bytes.replace('\r', ' ');
    bytes.replace('\n', ' ');
    return bytes;
}

// Walks the entries: calls onEmpty for an empty line where a description is expected and
// onEntry for a description with its address (hasAddress false on a last line without one).
template <typename OnEmpty, typename OnEntry>
bool WalkEntries(const Lines& lines, OnEmpty onEmpty, OnEntry onEntry) {
    for (std::size_t i = 0; i < lines.size();) {
        if (lines[i].isEmpty()) {
            onEmpty();
            ++i;
            continue;
        }
        const bool hasAddress = i + 1 < lines.size();
        const QByteArray empty;
        if (!onEntry(lines[i], hasAddress ? lines[i + 1] : empty, hasAddress))
            return false;
        i += 2;
    }
    return true;
}

// The bytes of the description that a text from the lists stands for. A line that is no valid
// text in the locale's encoding (a list written in another code page) is shown with replacement
// characters, and that text encoded again would match no line: such a camera could never be
// fetched, edited or removed. So the text is matched against the lines as they are shown, an
// exact match of its bytes first. None when no description line matches.
std::optional<QByteArray> ShownDescription(const Lines& lines, const QString& description) {
    const QByteArray bytes = description.toLocal8Bit();
    std::optional<QByteArray> shownAs;
    WalkEntries(
        lines, [] {},
        [&](const QByteArray& d, const QByteArray&, bool) {
            if (d == bytes) {
                shownAs = d;
                return false;
            }
            if (!shownAs && DecodeLine(d) == description)
                shownAs = d;
            return true;
        });
    return shownAs;
}

QByteArray DescriptionBytes(const Lines& lines, const QString& description) {
    return ShownDescription(lines, description).value_or(description.toLocal8Bit());
}

} // namespace

Lines SplitLines(const QByteArray& bytes) {
    Lines lines;
    qsizetype start = 0;
    const qsizetype size = bytes.size();
    while (start < size) {
        qsizetype end = start;
        while (end < size && bytes[end] != '\n' && bytes[end] != '\r')
            ++end;
        lines.push_back(bytes.mid(start, end - start));
        start = end + 1;
        if (end < size && bytes[end] == '\r' && start < size && bytes[start] == '\n')
            ++start;
    }
    return lines;
}

QString DecodeLine(const QByteArray& line) {
    // A mark inside the list is part of its line: only the file's own is dropped, by Read.
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8.decode(line);
    if (!utf8.hasError())
        return text;
    // 0x80 to 0x9F are where code page 1252 differs from Latin-1 (5 of them are unassigned
    // and kept as the control characters Windows maps them to).
    static constexpr char16_t kHigh[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    text.clear();
    text.reserve(line.size());
    for (const char c : line) {
        const auto byte = static_cast<unsigned char>(c);
        text += QChar(byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : char16_t{byte});
    }
    return text;
}

std::vector<QByteArray> ReadDescriptions(const Lines& lines) {
    std::vector<QByteArray> descriptions;
    WalkEntries(
        lines, [] {},
        [&](const QByteArray& description, const QByteArray&, bool) {
            descriptions.push_back(description);
            return true;
        });
    return descriptions;
}

std::optional<QByteArray> FindAddress(const Lines& lines, const QByteArray& description,
                                      Match match) {
    std::optional<QByteArray> found;
    WalkEntries(
        lines, [] {},
        [&](const QByteArray& d, const QByteArray& address, bool) {
            if (d == description) {
                found = address;
                return match == Match::Last;
            }
            return true;
        });
    return found;
}

bool WriteSaved(const Lines& in, QIODevice& out, const QByteArray& description,
                const QByteArray& address, SaveMode mode, const QByteArray& oldDescription,
                const std::function<bool()>& askOverwrite,
                const std::function<void()>& hideDialog) {
    bool written = false;
    const bool completed = WalkEntries(
        in, [&] { WriteLine(out, QByteArray()); },
        [&](const QByteArray& d, const QByteArray& a, bool) {
            if (mode == SaveMode::Edit && d == oldDescription) {
                WriteLine(out, description);
                WriteLine(out, address);
                written = true;
            } else if (d == description && !written && mode == SaveMode::Add) {
                if (!askOverwrite())
                    return false;
                if (hideDialog)
                    hideDialog();
                WriteLine(out, description);
                WriteLine(out, address);
                written = true;
            } else {
                // A last description without its address line gets an empty one, so an entry
                // appended after it keeps the pairing of lines.
                WriteLine(out, d);
                WriteLine(out, a);
            }
            return true;
        });
    if (!completed)
        return false;
    if (hideDialog)
        hideDialog();
    if (!written) {
        WriteLine(out, description);
        WriteLine(out, address);
    }
    return true;
}

void WriteRemoved(const Lines& in, QIODevice& out, const QByteArray& description) {
    WalkEntries(
        in, [] {},
        [&](const QByteArray& d, const QByteArray& a, bool) {
            if (d != description) {
                WriteLine(out, d);
                WriteLine(out, a);
            }
            return true;
        });
}

void WriteDefault(QIODevice& out) {
    WriteLine(out, QByteArray(kDefaultDescription));
    WriteLine(out, QByteArray(kDefaultAddress));
}

CamListStore::CamListStore(QString folder) : m_folder(std::move(folder)) {}

QString CamListStore::CamsPath() const {
    return m_folder.isEmpty() ? QString::fromLatin1(kCamsFile)
                              : QDir(m_folder).filePath(QString::fromLatin1(kCamsFile));
}

QString CamListStore::RewritePath() const {
    return m_folder.isEmpty() ? QString::fromLatin1(kRewriteFile)
                              : QDir(m_folder).filePath(QString::fromLatin1(kRewriteFile));
}

CamListStore::ReadStatus CamListStore::Read(Lines& lines, QString* reason, bool* bom) const {
    lines.clear();
    if (bom)
        *bom = false;
    const QFileInfo info(CamsPath());
    if (!info.exists())
        return ReadStatus::Missing;
    const auto unreadable = [reason](const QString& why) {
        if (reason)
            *reason = why;
        return ReadStatus::Unreadable;
    };
    // Only a regular file is read: a FIFO named "Cams.inf" must not hang the program.
    if (!info.isFile())
        return unreadable(QStringLiteral("it is not a regular file"));
    QFile file(CamsPath());
    if (!file.open(QIODevice::ReadOnly))
        return unreadable(file.errorString());
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return unreadable(file.errorString());
    if (bytes.startsWith(kByteOrderMark)) {
        bytes.remove(0, sizeof kByteOrderMark - 1);
        if (bom)
            *bom = true;
    }
    lines = SplitLines(bytes);
    return ReadStatus::Ok;
}

std::optional<QString> CamListStore::FindCamUrl(const QString& description, Match match) const {
    Lines lines;
    if (Read(lines) != ReadStatus::Ok)
        return std::nullopt;
    const auto address = FindAddress(lines, DescriptionBytes(lines, description), match);
    if (!address)
        return std::nullopt;
    return DecodeLine(*address);
}

bool CamListStore::Rewrite(const std::function<bool(QIODevice&)>& writer, bool bom) {
    m_lastError.clear();
    const QFileInfo old(CamsPath());
    // The rename below would replace a write-protected list all the same: the user's
    // protection is honoured here.
    if (old.exists() && !old.permissions().testFlag(QFileDevice::WriteOwner)) {
        m_lastError = QStringLiteral("it is write-protected");
        return false;
    }
    QFile out(RewritePath());
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        m_lastError = out.errorString();
        return false;
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const bool completed = writer(buffer);
    // A first line that itself begins with the mark (a removal can make any line the first)
    // gets a mark of its own before it, or the next read would take its mark for the file's.
    if (bom || bytes.startsWith(kByteOrderMark))
        out.write(kByteOrderMark, sizeof kByteOrderMark - 1);
    out.write(bytes);
    if (!completed)
        return false; // declined: "C1.DAT" stays behind, "Cams.inf" is untouched
    bool ok = out.flush() && out.error() == QFileDevice::NoError;
    ok = ok && ::fsync(out.handle()) == 0;
    out.close();
    ok = ok && out.error() == QFileDevice::NoError;
    if (!ok) {
        m_lastError = out.errorString();
        return false;
    }
    // Keep the owner's permission bits of the list being replaced.
    if (old.isFile())
        QFile::setPermissions(RewritePath(), old.permissions());
    // One rename replaces the old list: there is never a moment without a complete "Cams.inf".
    if (std::rename(QFile::encodeName(RewritePath()).constData(),
                    QFile::encodeName(CamsPath()).constData()) != 0) {
        m_lastError = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    return true;
}

bool CamListStore::SaveCamEntry(const QString& description, const QString& address, SaveMode mode,
                                const QString& oldDescription,
                                const std::function<bool()>& askOverwrite,
                                const std::function<void()>& hideDialog) {
    m_lastError.clear();
    QByteArray d = OneLine(description);
    // An empty description could never be read back and would break the pairing of lines.
    if (d.isEmpty())
        return false;
    Lines in;
    bool bom = false;
    // A list that exists but cannot be read is never replaced by one holding the new entry only.
    if (Read(in, &m_lastError, &bom) == ReadStatus::Unreadable)
        return false;
    const auto shownOld = ShownDescription(in, oldDescription);
    const QByteArray old = shownOld.value_or(oldDescription.toLocal8Bit());
    // An edit of the address only keeps the description's bytes, whatever their encoding.
    if (mode == SaveMode::Edit && shownOld && description == oldDescription)
        d = *shownOld;
    return Rewrite(
        [&](QIODevice& out) {
            return WriteSaved(in, out, d, OneLine(address), mode, old, askOverwrite, hideDialog);
        },
        bom);
}

bool CamListStore::RemoveCamEntry(const QString& description) {
    Lines in;
    bool bom = false;
    m_lastError.clear();
    if (Read(in, &m_lastError, &bom) != ReadStatus::Ok)
        return false;
    const QByteArray d = DescriptionBytes(in, description);
    return Rewrite(
        [&](QIODevice& out) {
            WriteRemoved(in, out, d);
            return true;
        },
        bom);
}

bool CamListStore::WriteDefaultCamList() {
    return Rewrite([](QIODevice& out) {
        WriteDefault(out);
        return true;
    });
}

CamLists::CamLists(CamListStore& store, SortedListBox& list1, QComboBox& form1Combo,
                   QComboBox& form2Combo)
    : m_store(store), m_list1(list1), m_form1Combo(form1Combo), m_form2Combo(form2Combo) {}

void CamLists::LoadCamList() {
    Lines lines;
    CamListStore::ReadStatus status = m_store.Read(lines);
    if (status == CamListStore::ReadStatus::Missing ||
        (status == CamListStore::ReadStatus::Ok && ReadDescriptions(lines).empty())) {
        // Tried once: a folder we cannot write to leaves the lists empty, it does not loop.
        if (m_store.WriteDefaultCamList())
            status = m_store.Read(lines);
    }
    Fill(status == CamListStore::ReadStatus::Ok ? ReadDescriptions(lines)
                                                : std::vector<QByteArray>{});
}

void CamLists::RefillCamLists() {
    m_list1.clear();
    m_form1Combo.clear();
    m_form2Combo.clear();
    Lines lines;
    if (m_store.Read(lines) == CamListStore::ReadStatus::Ok)
        Fill(ReadDescriptions(lines));
}

void CamLists::Fill(const std::vector<QByteArray>& descriptions) {
    for (const QByteArray& description : descriptions)
        m_list1.AddItem(DecodeLine(description));
    for (int i = 0; i < m_list1.count(); ++i) {
        m_form1Combo.addItem(m_list1.item(i)->text());
        m_form2Combo.addItem(m_list1.item(i)->text());
    }
    // A freshly filled picker has no selection until a window chooses one.
    m_form1Combo.setCurrentIndex(-1);
    m_form2Combo.setCurrentIndex(-1);
}

bool CamLists::SaveCamEntry(const QString& description, const QString& address, SaveMode mode,
                            const QString& oldDescription, MessageBoxes& boxes, QWidget* parent,
                            const std::function<void()>& hideDialog, bool* declined) {
    if (declined)
        *declined = false;
    const auto ask = [&] {
        const bool yes =
            boxes.Show(parent,
                       QStringLiteral("A cam with this description already exists! Do you "
                                      "want to overwrite it?"),
                       QStringLiteral("Orlisk"), MessageBoxes::Icon::Question,
                       MessageBoxes::Buttons::YesNo,
                       MessageBoxes::Answer::No) == MessageBoxes::Answer::Yes;
        if (declined)
            *declined = !yes;
        return yes;
    };
    if (!m_store.SaveCamEntry(description, address, mode, oldDescription, ask, hideDialog))
        return false;
    RefillCamLists();
    return true;
}

bool CamLists::RemoveCamEntry(const QString& description) {
    if (!m_store.RemoveCamEntry(description))
        return false;
    RefillCamLists();
    return true;
}

} // namespace orlisk
