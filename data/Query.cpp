#include "data/Query.h"

#include "app/AppError.h"
#include "app/AsciiText.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace db {
namespace {

int findColumn(const PGresult* result, std::string_view name) {
    const int columns = PQnfields(result);
    for (int c = 0; c < columns; ++c)
        if (asciiIEquals(PQfname(result, c), name))
            return c;
    return -1;
}

} // namespace

Query::Query(QueryDef def, Connection& connection)
    : def_(std::move(def)), connection_(connection), positional_(toPositional(def_.sql)),
      params_(positional_.names.size()) {}

size_t Query::paramIndex(std::string_view name) const {
    for (size_t i = 0; i < positional_.names.size(); ++i)
        if (asciiIEquals(positional_.names[i], name))
            return i;
    throw AppError(def_.name + ": Parameter '" + std::string(name) + "' not found");
}

void Query::setParam(std::string_view name, const std::string& value) {
    params_[paramIndex(name)] = value;
}
void Query::setParam(std::string_view name, const QString& value) {
    setParam(name, value.toStdString());
}
void Query::setParam(std::string_view name, const QDate& value) {
    if (!value.isValid())
        return setParamNull(name);
    setParam(name, value.toString(Qt::ISODate));
}
void Query::setParamNull(std::string_view name) {
    params_[paramIndex(name)].reset();
}
std::optional<std::string> Query::param(std::string_view name) const {
    return params_[paramIndex(name)];
}

ResultPtr Query::run() const {
    return connection_.execute(positional_.text, params_);
}

void Query::checkDeclaredFields(const PGresult* result) const {
    for (const FieldDef& field : def_.fields) {
        const int column = findColumn(result, field.name);
        if (column < 0)
            throw AppError(def_.name + ": Field '" + field.displayName() + "' not found");
        const unsigned int oid = PQftype(result, column);
        if (!fieldTypeAccepts(field.type, oid))
            throw AppError(def_.name + ": Type mismatch for field '" + field.displayName() +
                           "', expecting: " + fieldTypeName(field.type) + " actual: " + pgTypeName(oid));
    }
}

void Query::adopt(ResultPtr result) {
    checkDeclaredFields(result.get());
    result_ = share(std::move(result));
    currentRow_ = PQntuples(result_.get()) > 0 ? 0 : -1;
    notify();
}

void Query::open() {
    if (!isOpen())
        adopt(run());
}

void Query::close() {
    if (!isOpen())
        return;
    result_.reset();
    currentRow_ = -1;
    notify();
}

void Query::refresh() {
    ResultPtr fresh = run(); // on failure the earlier rows stay
    adopt(std::move(fresh));
}

void Query::execute() {
    run();
}

int Query::rowCount() const {
    return result_ ? PQntuples(result_.get()) : 0;
}

void Query::setCurrentRow(int row) {
    requireOpen();
    currentRow_ = std::clamp(row, rowCount() > 0 ? 0 : -1, rowCount() - 1);
}

void Query::requireOpen() const {
    if (!isOpen())
        throw AppError(def_.name + ": Cannot perform this operation on a closed dataset");
}

int Query::column(std::string_view field) const {
    return result_ ? findColumn(result_.get(), field) : -1;
}

int Query::requireColumn(std::string_view field) const {
    requireOpen();
    const int c = column(field);
    if (c < 0)
        throw AppError(def_.name + ": Field '" + std::string(field) + "' not found");
    return c;
}

bool Query::isNull(int row, int column) const {
    return PQgetisnull(result_.get(), row, column) != 0;
}

std::string_view Query::raw(int row, int column) const {
    return {PQgetvalue(result_.get(), row, column),
            static_cast<size_t>(PQgetlength(result_.get(), row, column))};
}

bool Query::isNull(std::string_view field) const {
    const int c = requireColumn(field);
    return currentRow_ < 0 || isNull(currentRow_, c);
}

QString Query::text(std::string_view field) const {
    const int c = requireColumn(field);
    if (currentRow_ < 0)
        return {};
    const std::string_view value = raw(currentRow_, c);
    return QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size()));
}

QDate Query::date(std::string_view field) const {
    return QDate::fromString(text(field).left(10), Qt::ISODate);
}

QDateTime Query::timestamp(std::string_view field) const {
    return QDateTime::fromString(text(field).left(19), "yyyy-MM-dd HH:mm:ss");
}

int Query::integer(std::string_view field) const {
    const int c = requireColumn(field);
    if (currentRow_ < 0 || isNull(currentRow_, c))
        return 0;
    const std::string_view value = raw(currentRow_, c);
    int number = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
    if (error != std::errc() || end != value.data() + value.size())
        throw AppError("'" + std::string(value) + "' is not a valid integer value");
    return number;
}

bool Query::boolean(std::string_view field) const {
    const int c = requireColumn(field);
    return currentRow_ >= 0 && !isNull(currentRow_, c) && raw(currentRow_, c) == "t";
}

int Query::subscribe(std::function<void()> onRowsChanged) {
    subscribers_.emplace(nextSubscription_, std::move(onRowsChanged));
    return nextSubscription_++;
}

void Query::unsubscribe(int subscription) {
    subscribers_.erase(subscription);
}

void Query::notify() {
    for (const auto& [id, callback] : subscribers_)
        callback();
}

} // namespace db
