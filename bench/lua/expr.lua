-- The four loops of bench/expr_bench.cpp in Lua 5.4, on globals, with 50
-- and 10,000 variables in the global table: lua5.4 bench/lua/expr.lua
local N = 2000000

local function filler(k)
  return string.char(97 + k % 26) .. tostring(k) .. string.char(97 + (k // 26) % 26)
end

local cases = {
  {"BM_Increment", function(n) for _ = 1, n do i = i + 1 end end},
  {"BM_Arithmetic", function(n) for _ = 1, n do x = (a + b) * c - d // 2 end end},
  {"BM_ConcatCall", function(n) for _ = 1, n do s = "abc" .. tostring(nn) end end},
  {"BM_ElementUpdate", function(n) for _ = 1, n do arr[k] = arr[k] + 1 end end},
}

for _, vars in ipairs({50, 10000}) do
  for k = 0, vars - 1 do _G[filler(k)] = 0 end
  i, a, b, c, d, x, nn, k, s = 0, 3, 4, 5, 6, 0, 12345, 42, ""
  arr = {}
  for j = 1, 100 do arr[j] = 0 end
  for _, case in ipairs(cases) do
    case[2](N // 10)  -- warm up
    local t0 = os.clock()
    case[2](N)
    local ns = (os.clock() - t0) * 1e9 / N
    print(string.format("%s/%d %.1f ns", case[1], vars, ns))
  end
end
