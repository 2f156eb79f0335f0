// Placeholder.
namespace vorn { int SimulatorPlaceholder() { return 0; } }
