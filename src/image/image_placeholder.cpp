// Placeholder so the library has a source until the codecs land.
namespace orv::image_detail {}
