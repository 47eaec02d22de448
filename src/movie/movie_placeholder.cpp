// Placeholder so the library has a source until movie assembly lands.
namespace orv::movie_detail {}
