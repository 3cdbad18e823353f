#pragma once

#include <QString>

#include <map>
#include <optional>

namespace kivora::map {

// A flat text-to-text map written as one JSON object, keys in code-unit order. Values stay
// strings, so numbers keep the exact text they were given. Keys and values may hold any text:
// the JSON writer escapes it.
class CJsonHolder {
public:
    void set(const QString& key, const QString& value) { m_values[key] = value; }
    void clear() { m_values.clear(); }
    std::optional<QString> value(const QString& key) const;
    const std::map<QString, QString>& values() const { return m_values; }

    // Compact JSON, for example {"map_lat":"35.500000","val_end":""}.
    QByteArray toJson() const;
    // Reads a flat object; members whose value is not a string are skipped. Nothing on malformed
    // text or another JSON type.
    static std::optional<CJsonHolder> parse(const QByteArray& json);

private:
    std::map<QString, QString> m_values;
};

} // namespace kivora::map
