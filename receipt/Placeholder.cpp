// Placeholder until the receipt language lands.
namespace vorn { int ReceiptPlaceholder() { return 0; } }
