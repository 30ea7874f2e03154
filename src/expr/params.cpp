// Values, the variable table, the compiler and the evaluator live here.
namespace opal {}
