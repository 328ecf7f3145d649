#pragma once

#include "data/Connection.h"
#include "data/Fields.h"
#include "data/NamedParams.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <functional>
#include <map>
#include <string_view>

namespace db {

// A statement with named parameters on a connection, holding its whole
// result while the connection is released. Fields declared for the query are
// checked against every result it opens.
class Query {
public:
    Query(QueryDef def, Connection& connection);
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    const std::string& name() const { return def_.name; }
    const std::string& sql() const { return def_.sql; }
    const std::vector<FieldDef>& fields() const { return def_.fields; }
    Connection& connection() const { return connection_; }

    // Parameters are bound as text; a date as yyyy-mm-dd, an invalid date as NULL.
    void setParam(std::string_view name, const std::string& value);
    void setParam(std::string_view name, const QString& value);
    void setParam(std::string_view name, const QDate& value);
    void setParamNull(std::string_view name);
    std::optional<std::string> param(std::string_view name) const;

    // Runs the statement unless the query is open already.
    void open();
    void close();
    // Runs the statement again with the current parameters. When that fails
    // the query keeps its earlier rows.
    void refresh();
    // Runs the statement; its rows are fetched and not kept.
    void execute();

    bool isOpen() const { return result_ != nullptr; }
    int rowCount() const;
    int currentRow() const { return currentRow_; }
    void setCurrentRow(int row);

    // Fields of the current row, by column name (case-insensitive).
    // A query without a current row reads as empty/NULL.
    QString text(std::string_view field) const;
    QDate date(std::string_view field) const;
    QDateTime timestamp(std::string_view field) const;
    int integer(std::string_view field) const;
    bool boolean(std::string_view field) const;
    bool isNull(std::string_view field) const;

    // Row-wise access for views: the column of a field (-1 when absent) and raw values.
    int column(std::string_view field) const;
    bool isNull(int row, int column) const;
    std::string_view raw(int row, int column) const;
    const SharedResult& result() const { return result_; }

    // Called after the rows changed (open, refresh, close).
    int subscribe(std::function<void()> onRowsChanged);
    void unsubscribe(int subscription);

private:
    ResultPtr run() const;
    void adopt(ResultPtr result);
    void checkDeclaredFields(const PGresult* result) const;
    size_t paramIndex(std::string_view name) const;
    int requireColumn(std::string_view field) const;
    void requireOpen() const;
    void notify();

    QueryDef def_;
    Connection& connection_;
    PositionalSql positional_;
    ParamValues params_;
    SharedResult result_;
    int currentRow_ = -1;
    std::map<int, std::function<void()>> subscribers_;
    int nextSubscription_ = 1;
};

} // namespace db
