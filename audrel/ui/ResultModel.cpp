#include "ResultModel.h"

#include <algorithm>
#include <iterator>

#include "TextBytes.h"

TResultModel::TResultModel(QObject* parent) : QAbstractTableModel(parent) {}

int TResultModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int TResultModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ListColumnCount;
}

QString TResultModel::DisplayText(const TListRow& row, int column) {
    const std::string& bytes = row.Column(column);
    if (column == ColFileName || column == ColPath)
        return FromFileName(bytes);
    if (column == ColTime)
        return QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

QVariant TResultModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || size_t(index.row()) >= m_rows.size())
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return DisplayText(m_rows[size_t(index.row())], index.column());
    if (role == Qt::TextAlignmentRole && index.column() == ColTime)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant TResultModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && section >= 0 && section < ListColumnCount &&
        (role == Qt::DisplayRole || role == Qt::EditRole))
        return m_captions[size_t(section)];
    return QAbstractTableModel::headerData(section, orientation, role);
}

bool TResultModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                                 int role) {
    if (orientation != Qt::Horizontal || section < 0 || section >= ListColumnCount ||
        (role != Qt::DisplayRole && role != Qt::EditRole))
        return false;
    m_captions[size_t(section)] = value.toString();
    emit headerDataChanged(orientation, section, section);
    return true;
}

void TResultModel::Append(TListRow row) {
    const int at = int(m_rows.size());
    beginInsertRows({}, at, at);
    m_rows.push_back(std::move(row));
    endInsertRows();
}

void TResultModel::Append(std::vector<TListRow>& rows) {
    if (rows.empty())
        return;
    const int at = int(m_rows.size());
    beginInsertRows({}, at, at + int(rows.size()) - 1);
    m_rows.insert(m_rows.end(), std::make_move_iterator(rows.begin()),
                  std::make_move_iterator(rows.end()));
    rows.clear();
    endInsertRows();
}

void TResultModel::Clear() {
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

void TResultModel::SetTags(int row, const std::array<std::string, 6>& tags) {
    if (row < 0 || size_t(row) >= m_rows.size())
        return;
    std::copy(tags.begin(), tags.end(), m_rows[size_t(row)].SubItems.begin() + 1);
    emit dataChanged(index(row, 2), index(row, 7));
}

void TResultModel::Sort(int column, bool ascending) {
    const std::vector<int> order = SortOrder(m_rows, column, ascending);
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newPlace(order.size());
    std::vector<TListRow> sorted;
    sorted.reserve(m_rows.size());
    for (size_t i = 0; i < order.size(); ++i) {
        newPlace[size_t(order[i])] = int(i);
        sorted.push_back(std::move(m_rows[size_t(order[i])]));
    }
    m_rows = std::move(sorted);
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& index : from)
        to.append(this->index(newPlace[size_t(index.row())], index.column()));
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
