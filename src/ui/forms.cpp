#include "ui/forms.h"

namespace lumora {

Forms& forms() {
    static Forms instance;
    return instance;
}

}  // namespace lumora
