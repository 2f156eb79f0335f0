// Placeholder.
namespace vorn { int ExecutionPlaceholder() { return 0; } }
