#include "app/SelectorDeFecha.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpression>

namespace ov::app {

namespace {

bool EsSeparador(QChar c) {
    return c == u'/' || c == u'-' || c == u'.';
}

// La fecha con una parte cambiada; el día se recorta al último del mes (31 de enero → febrero 28).
QDate ConParte(QDate f, QDateTimeEdit::Section parte, int valor) {
    int anio = f.year(), mes = f.month(), dia = f.day();
    if (parte == QDateTimeEdit::DaySection) {
        dia = valor;
    } else if (parte == QDateTimeEdit::MonthSection) {
        mes = valor;
    } else {
        anio = valor;
    }
    if (mes < 1 || mes > 12 || dia < 1) {
        return {};
    }
    const QDate primero(anio, mes, 1);
    if (parte == QDateTimeEdit::DaySection && dia > primero.daysInMonth()) {
        return {};
    }
    return QDate(anio, mes, std::min(dia, primero.daysInMonth()));
}

} // namespace

std::optional<QDate> LeeFechaEscrita(const QString& texto) {
    static const QRegularExpression diaMesAnio(
        QStringLiteral(R"(^\s*(\d{1,2})[/.\-](\d{1,2})[/.\-](\d{4})\s*$)"));
    static const QRegularExpression anioMesDia(
        QStringLiteral(R"(^\s*(\d{4})[/.\-](\d{1,2})[/.\-](\d{1,2})\s*$)"));
    QDate f;
    if (const auto m = diaMesAnio.match(texto); m.hasMatch()) {
        f = QDate(m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt());
    } else if (const auto m2 = anioMesDia.match(texto); m2.hasMatch()) {
        f = QDate(m2.captured(1).toInt(), m2.captured(2).toInt(), m2.captured(3).toInt());
    }
    if (!f.isValid()) {
        return std::nullopt;
    }
    return f;
}

SelectorDeFecha::SelectorDeFecha(QWidget* padre) : QDateEdit(padre) {
    setCalendarPopup(true);
    // Fecha larga en español, como la muestra el selector del sistema.
    setLocale(QLocale(QLocale::Spanish, QLocale::Mexico));
    setDisplayFormat(QStringLiteral("dddd, d 'de' MMMM 'de' yyyy"));
    lineEdit()->installEventFilter(this);
}

bool SelectorDeFecha::focusNextPrevChild(bool siguiente) {
    return QWidget::focusNextPrevChild(siguiente);
}

void SelectorDeFecha::CifraEnParte(int cifra) {
    // Qt cuenta el nombre del día como parte del día: las cifras van al día del mes.
    const Section parte = currentSection();
    if (parte != DaySection && parte != MonthSection && parte != YearSection) {
        return;
    }
    if (parte != parte_) {
        parte_ = parte;
        cifras_.clear();
    }
    const QString digito(QChar(u'0' + cifra));
    cifras_ += digito;
    QDate nueva;
    if (parte == YearSection) {
        if (cifras_.size() == 4) {
            nueva = ConParte(date(), parte, cifras_.toInt());
            cifras_.clear();
        }
    } else {
        nueva = ConParte(date(), parte, cifras_.toInt());
        if (!nueva.isValid()) {
            // Como en el selector del sistema: lo que ya no cabe empieza de nuevo con esta cifra.
            cifras_ = digito;
            nueva = ConParte(date(), parte, cifra);
        }
        if (cifras_.size() == 2) {
            cifras_.clear();
        }
    }
    if (nueva.isValid()) {
        setDate(nueva);
    }
    SeleccionaParte(parte);
}

void SelectorDeFecha::SeleccionaParte(Section parte) {
    // Qt cuenta el nombre del día como parte del día: se elige la última, el número.
    int indice = -1;
    for (int i = 0; i < sectionCount(); ++i) {
        if (sectionAt(i) == parte) {
            indice = i;
        }
    }
    if (indice >= 0) {
        lineEdit()->setCursorPosition(0); // Qt solo cambia de parte si el cursor se mueve
        setCurrentSectionIndex(indice);
        setSelectedSection(parte);
    }
}

void SelectorDeFecha::keyPressEvent(QKeyEvent* evento) {
    const QString texto = evento->text();
    const QChar c = texto.size() == 1 ? texto.at(0) : QChar();
    const bool soloTexto = !(evento->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier));
    const int tecla = evento->key();
    if (!escrito_.isEmpty()) {
        // Una fecha entera a medio escribir: cifras y separadores se añaden tal cual.
        if (tecla == Qt::Key_Return || tecla == Qt::Key_Enter) {
            TerminaEscrito();
            return;
        }
        if (tecla == Qt::Key_Tab || tecla == Qt::Key_Backtab) {
            QDateEdit::keyPressEvent(evento); // sale del campo: focusOutEvent la toma
            return;
        }
        if (soloTexto && (c.isDigit() || EsSeparador(c)) && escrito_.size() < 10) {
            escrito_ += c;
        } else if (tecla == Qt::Key_Backspace) {
            escrito_.chop(1);
        } else if (tecla == Qt::Key_Escape) {
            escrito_.clear();
        }
        if (escrito_.isEmpty()) {
            MuestraFecha(antes_); // borrada o cancelada: vuelve la de antes
            TerminaEscrito();
        } else {
            lineEdit()->setText(escrito_);
        }
        return;
    }
    if (soloTexto && c.isDigit()) {
        if (tecleado_.isEmpty()) {
            antes_ = date();
        }
        tecleado_ += c;
        CifraEnParte(c.digitValue());
        return;
    }
    if (soloTexto && EsSeparador(c)) {
        // Cifras seguidas de un separador: se está escribiendo una fecha entera.
        if (!tecleado_.isEmpty() && tecleado_.size() <= 4) {
            escrito_ = tecleado_ + c;
            lineEdit()->setText(escrito_);
        }
        return;
    }
    parte_ = NoSection;
    cifras_.clear();
    tecleado_.clear();
    QDateEdit::keyPressEvent(evento);
}

void SelectorDeFecha::TerminaEscrito() {
    if (!escrito_.isEmpty()) {
        // Lo que no es una fecha deja la que había antes de teclear.
        const QString escrito = escrito_;
        escrito_.clear();
        MuestraFecha(LeeFechaEscrita(escrito).value_or(antes_));
    }
    parte_ = NoSection;
    cifras_.clear();
    tecleado_.clear();
}

void SelectorDeFecha::MuestraFecha(const QDate& fecha) {
    setDate(fecha);
    lineEdit()->setText(textFromDateTime(dateTime())); // la fecha larga, aunque no haya cambiado
}

void SelectorDeFecha::focusOutEvent(QFocusEvent* evento) {
    TerminaEscrito();
    QDateEdit::focusOutEvent(evento);
}

bool SelectorDeFecha::eventFilter(QObject* objeto, QEvent* evento) {
    // Un clic en el texto lo recibe la línea de edición: ahí empieza otra escritura.
    if (objeto == lineEdit() && evento->type() == QEvent::MouseButtonPress) {
        TerminaEscrito();
    }
    return QDateEdit::eventFilter(objeto, evento);
}

void SelectorDeFecha::mousePressEvent(QMouseEvent* evento) {
    TerminaEscrito();
    QDateEdit::mousePressEvent(evento);
}

} // namespace ov::app
