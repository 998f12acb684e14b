#pragma once

#include <string_view>

// The floor the engine is measured against: the least an evaluator of the generated formulas
// must do. One pass reads each token (numbers with std::from_chars) and converts to postfix order
// with an operator stack (shunting-yard), applying each operator as it leaves the stack. It knows
// only what the generator writes: + - * / ^, parentheses and SQR, SIN and ROUND(x,2), and it
// checks nothing the generator cannot get wrong.
namespace bare {

// The value of `formula`, or NaN for a formula outside that subset.
double Evaluate(std::string_view formula);

} // namespace bare
