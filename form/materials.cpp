#include "varnitz/materials.h"

#include <cstring>

namespace varnitz {

constexpr DielectricMaterial DielectricTable[kDielectricCount] = {
    // name                 permittivity
    {"Сухая бумага",        2.0},
    {"Гетинакс",            5.0},
    {"Каучук",              2.4},
    {"Кварц",               3.5},
    {"Конд.керамика",       100.0},
    {"Метатитанат бария",   2000.0},
    {"Парафин",             2.0},
    {"Оргстекло",           3.5},
    {"Сегнетова соль",      500.0},
    {"Слюда",               5.7},
    {"Стекло",              5.0},
    {"Полиэтилен",          2.3},
    {"Фарфор",              4.5},
    {"Вода дисц.",          81.0},
    {"Масло трансф.",       2.2},
    {"Масло кастор.",       4.6},
    {"Спирт этиловый",      27.0},
    {"Фторопласт",          2.0},
    {"Бумага промасл.",     4.0},
    {"Мрамор",              8.0},
    {"Аммиак",              16.0},
    {"Стеклотекстолит",     5.5},
    {"Полистирол",          3.0},
    {"Поливинилхлорид",     2.9},
};

namespace {
constexpr int kNameBufferSize = 260;  // longer than any name; a longer selection matches nothing
}

void ApplyMaterialPermittivity(FormController& form) {
    char name[kNameBufferSize] = {};
    form.Access().FieldText(MaterialList, name, kNameBufferSize);
    // An exact byte comparison over all rows: "Стекло" must not match "Стеклотекстолит".
    // A host without a permittivity field ignores the write, so no presence check is needed.
    for (const DielectricMaterial& material : DielectricTable) {
        if (std::strcmp(name, material.name) == 0) {
            form.WriteFieldValue(PermittivityField, material.permittivity);
        }
    }
}

}  // namespace varnitz
