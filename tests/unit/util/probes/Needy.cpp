// Uses the leaf without naming it among its own libraries, as some system
// libraries do: it can be opened only where the leaf is already in scope.
extern "C" int probeLeafValue();

extern "C" int probeNeedyValue()
{
    return probeLeafValue() * 6;
}
