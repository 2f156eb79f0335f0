// Placeholder.
namespace vorn { int CorePlaceholder() { return 0; } }
