// The real drawing component and the engine constructor that uses it. Kept
// apart so that programs and tests built with their own factory do not pull in
// the component.
#include <cerrno>
#include <exception>

#include "component/DrawingComponent.h"
#include "engine/cAutoCAD.h"

namespace kel {

ComponentFactory DefaultComponentFactory() {
    return [](ComponentCreationError& error) -> std::unique_ptr<IDrawingComponent> {
        try {
            return std::make_unique<DrawingComponent>();
        } catch (const std::bad_alloc&) {
            error.number = ENOMEM;
            error.description = "Out of memory";
        } catch (const std::exception& e) {
            error.number = 1;
            error.description = e.what();
        }
        return nullptr;
    };
}

cAutoCAD::cAutoCAD() : cAutoCAD(DefaultComponentFactory(), nullptr) {}

}  // namespace kel
