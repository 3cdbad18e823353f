#include "kivora/map/CJsonHolder.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace kivora::map {

std::optional<QString> CJsonHolder::value(const QString& key) const
{
    const auto it = m_values.find(key);
    if (it == m_values.end())
        return std::nullopt;
    return it->second;
}

QByteArray CJsonHolder::toJson() const
{
    // QJsonObject keeps its keys sorted, which is the order the page and peers expect.
    QJsonObject object;
    for (const auto& [key, value] : m_values)
        object.insert(key, value);
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<CJsonHolder> CJsonHolder::parse(const QByteArray& json)
{
    QJsonParseError error {};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    CJsonHolder holder;
    const QJsonObject object = document.object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (it.value().isString())
            holder.set(it.key(), it.value().toString());
    }
    return holder;
}

} // namespace kivora::map
