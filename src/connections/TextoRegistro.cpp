#include "connections/Registro.h"

namespace ov {

std::string TextoDe(const ValorRegistro& v) {
    if (const auto* t = std::get_if<std::string>(&v)) {
        return *t;
    }
    if (const auto* n = std::get_if<std::int32_t>(&v)) {
        return std::to_string(*n);
    }
    return {};
}

namespace {
class MismoRegistro final : public Registro {
public:
    explicit MismoRegistro(const Registro& registro) : registro_(registro) {}
    std::unique_ptr<ClaveRegistro> Abre(const std::string& ruta) const override {
        return registro_.Abre(ruta);
    }

private:
    const Registro& registro_;
};
} // namespace

std::unique_ptr<Registro> Registro::Instantanea() const {
    return std::make_unique<MismoRegistro>(*this);
}

} // namespace ov
