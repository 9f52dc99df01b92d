#pragma once

#include "log/Reloj.h"

#include <QDate>
#include <QString>
#include <string>

namespace ov::app {

// El núcleo habla UTF-8; Qt, QString.
inline QString Q(const std::string& texto) {
    return QString::fromStdString(texto);
}
inline std::string S(const QString& texto) {
    return texto.toStdString();
}

inline QDate AQDate(Fecha f) {
    const std::chrono::year_month_day d{f};
    return QDate(static_cast<int>(d.year()), static_cast<int>(static_cast<unsigned>(d.month())),
                 static_cast<int>(static_cast<unsigned>(d.day())));
}

inline Fecha DeQDate(const QDate& q) {
    return Fecha{std::chrono::year{q.year()} / std::chrono::month{static_cast<unsigned>(q.month())} /
                 std::chrono::day{static_cast<unsigned>(q.day())}};
}

} // namespace ov::app
