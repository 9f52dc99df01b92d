#pragma once

#include "log/Reloj.h"

#include <QColor>
#include <QDate>
#include <QString>
#include <string>

class QLabel;

namespace ov::app {

// El color del texto de una etiqueta (ForeColor); se conserva también mientras está deshabilitada.
QColor ColorTexto(const QLabel* etiqueta);
void FijaColorTexto(QLabel* etiqueta, const QColor& color);

// El núcleo habla UTF-8; Qt, QString.
inline QString Q(const std::string& texto) {
    return QString::fromStdString(texto);
}
inline std::string S(const QString& texto) {
    return texto.toStdString();
}

// Un texto largo para una ayuda emergente, partido en renglones en los blancos: Qt no ajusta las
// de texto simple y un error de conexión pasaría de la pantalla.
inline QString Ayuda(const std::string& texto, int ancho = 90) {
    QString t = Q(texto);
    for (qsizetype inicio = 0; t.size() - inicio > ancho;) {
        qsizetype corte = t.lastIndexOf(u' ', inicio + ancho);
        if (corte <= inicio) {
            corte = t.indexOf(u' ', inicio + ancho); // una palabra más larga que el renglón va entera
        }
        if (corte < 0) {
            break;
        }
        t[corte] = u'\n';
        inicio = corte + 1;
    }
    return t;
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
