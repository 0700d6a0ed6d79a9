#pragma once

#include <array>
#include <vector>

#include <QAbstractTableModel>
#include <QStringList>

#include "ListRows.h"

// The rows of the result list. Texts are kept as bytes and converted only for display.
class TResultModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TResultModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                       int role = Qt::EditRole) override;

    void Append(TListRow row);
    // Many rows in one insertion: a view lays itself out once per insertion, not per row.
    // Moves the rows out and leaves `rows` empty, its storage kept for the next batch.
    void Append(std::vector<TListRow>& rows);
    void Clear();
    // Gives a row new tag texts (sub-items 1 to 6).
    void SetTags(int row, const std::array<std::string, 6>& tags);
    // Reorders the rows; selections and other persistent indexes follow their rows.
    void Sort(int column, bool ascending);

    const std::vector<TListRow>& Rows() const { return m_rows; }
    const TListRow& Row(int i) const { return m_rows[size_t(i)]; }
    // The text a cell shows: names through the file-name decoding, tags from their UTF-8.
    static QString DisplayText(const TListRow& row, int column);

private:
    std::vector<TListRow> m_rows;
    std::array<QString, ListColumnCount> m_captions;
};
