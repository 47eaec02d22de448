// Placeholder so the library has a source until the settings store lands.
namespace orv::ui_detail {}
