#include "app/qt/SelectorDeFecha.h"

#include "app/FechaEscrita.h"
#include "app/qt/ConversionesQt.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStyleOptionComboBox>

namespace ov::app {

namespace {

bool EsSeparador(QChar c) {
    return c == u'/' || c == u'-' || c == u'.';
}

ParteFecha Parte(QDateTimeEdit::Section parte) {
    return parte == QDateTimeEdit::DaySection     ? ParteFecha::Dia
           : parte == QDateTimeEdit::MonthSection ? ParteFecha::Mes
                                                  : ParteFecha::Anio;
}

} // namespace

SelectorDeFechaQt::SelectorDeFechaQt(QWidget* padre) : QDateEdit(padre) {
    setCalendarPopup(true);
    // Fecha larga en español, como la muestra el selector del sistema.
    setLocale(QLocale(QLocale::Spanish, QLocale::Mexico));
    setDisplayFormat(QStringLiteral("dddd, d 'de' MMMM 'de' yyyy"));
    lineEdit()->installEventFilter(this);
}

Fecha SelectorDeFechaQt::Value() const {
    return DeQDate(date());
}

void SelectorDeFechaQt::PonValue(Fecha fecha) {
    setDate(AQDate(fecha));
}

void SelectorDeFechaQt::PonMinimo(Fecha minimo) {
    minimo_ = minimo;
    setMinimumDate(AQDate(minimo)); // también el calendario y las flechas
}

bool SelectorDeFechaQt::focusNextPrevChild(bool siguiente) {
    return QWidget::focusNextPrevChild(siguiente);
}

void SelectorDeFechaQt::CifraEnParte(int cifra) {
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
    const Fecha actual = DeQDate(date());
    std::optional<Fecha> nueva;
    if (parte == YearSection) {
        if (cifras_.size() == 4) {
            nueva = ConParte(actual, ParteFecha::Anio, cifras_.toInt(), minimo_);
            cifras_.clear();
            if (!nueva) {
                QApplication::beep(); // un año antes del mínimo no se toma
            }
        }
    } else {
        nueva = ConParte(actual, Parte(parte), cifras_.toInt(), minimo_);
        if (!nueva) {
            // Como en el selector del sistema: lo que ya no cabe empieza de nuevo con esta cifra.
            cifras_ = digito;
            nueva = ConParte(actual, Parte(parte), cifra, minimo_);
        }
        if (cifras_.size() == 2) {
            cifras_.clear();
        }
    }
    if (nueva) {
        setDate(AQDate(*nueva));
    }
    SeleccionaParte(parte);
}

void SelectorDeFechaQt::SeleccionaParte(Section parte) {
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

void SelectorDeFechaQt::keyPressEvent(QKeyEvent* evento) {
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
    const bool alt = evento->modifiers() & Qt::AltModifier;
    if (tecla == Qt::Key_F4 || (alt && (tecla == Qt::Key_Down || tecla == Qt::Key_Up))) {
        TerminaEscrito();
        AbreCalendario();
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

void SelectorDeFechaQt::TerminaEscrito() {
    if (!escrito_.isEmpty()) {
        // Lo que no es una fecha deja la que había antes de teclear.
        const QString escrito = escrito_;
        escrito_.clear();
        const auto leida = LeeFechaEscrita(escrito.toStdString(), minimo_);
        if (!leida) {
            QApplication::beep();
        }
        MuestraFecha(leida ? AQDate(*leida) : antes_);
    }
    parte_ = NoSection;
    cifras_.clear();
    tecleado_.clear();
}

void SelectorDeFechaQt::MuestraFecha(const QDate& fecha) {
    setDate(fecha);
    lineEdit()->setText(textFromDateTime(dateTime())); // la fecha larga, aunque no haya cambiado
}

void SelectorDeFechaQt::focusOutEvent(QFocusEvent* evento) {
    TerminaEscrito();
    QDateEdit::focusOutEvent(evento);
}

bool SelectorDeFechaQt::eventFilter(QObject* objeto, QEvent* evento) {
    // Un clic en el texto lo recibe la línea de edición: ahí empieza otra escritura.
    if (objeto == lineEdit() && evento->type() == QEvent::MouseButtonPress) {
        TerminaEscrito();
    }
    return QDateEdit::eventFilter(objeto, evento);
}

void SelectorDeFechaQt::AbreCalendario() {
    // QDateEdit abre su calendario con un clic en la flecha: se le da ese clic.
    QStyleOptionComboBox opcion;
    opcion.initFrom(this);
    opcion.editable = true;
    opcion.subControls = QStyle::SC_All;
    const QRect flecha =
        style()->subControlRect(QStyle::CC_ComboBox, &opcion, QStyle::SC_ComboBoxArrow, this);
    const QPointF centro = flecha.center();
    QMouseEvent clic(QEvent::MouseButtonPress, centro, mapToGlobal(centro), Qt::LeftButton, Qt::LeftButton,
                     Qt::NoModifier);
    QDateEdit::mousePressEvent(&clic);
}

void SelectorDeFechaQt::mousePressEvent(QMouseEvent* evento) {
    TerminaEscrito();
    QDateEdit::mousePressEvent(evento);
}

} // namespace ov::app
