-- The report mix of a running client, for wrk against brisma-server on loopback:
--
--   wrk -t2 -c200 -d60s --latency -s bench/wrk-reports.lua http://127.0.0.1:PORT/ [-- IDS_FILE]
--
-- IDS_FILE holds registered user ids, one a line (else 1000 made-up ids, stored as unknown).
-- Per client and hour: a refresh every 301 s reports each of about five selected channels
-- (update), the bar banner enters the strip about every two minutes (adview and its view), and a
-- few clicks on headlines, advertisements and movies, and a module's own report.
local mix = {
  {60, "update"}, {30, "adview"}, {30, "bannerview"}, {6, "click"}, {1, "adclick"}, {1, "movieview"}, {1, "log"},
}
local total = 0
for _, entry in ipairs(mix) do total = total + entry[1] end

local ids = {}
local counter = 0

function init(args)
  math.randomseed(os.time() + tonumber(tostring({}):sub(8), 16) % 100000)
  if args[1] then
    for line in io.lines(args[1]) do
      if #line > 0 then ids[#ids + 1] = line end
    end
  end
  if #ids == 0 then
    for n = 1, 1000 do ids[n] = string.format("BENCH%07d", n) end
  end
end

local function stamp()
  return "&date=" .. os.date("%Y%m%d") .. "&time=" .. os.date("%H%M%S")
end

local function headline(channel)
  return channel .. os.date("%Y%m%d%H%M") .. string.format("%04d", math.random(0, 9999))
end

local function head(user, channel)
  return "?version=3.1.1&userid=" .. user .. "&channel=" .. channel .. "&type=desktop3"
end

function request()
  counter = counter + 1
  local user = ids[math.random(#ids)]
  local channel = string.format("%03d", math.random(1, 8))
  local pick = math.random() * total
  local kind
  for _, entry in ipairs(mix) do
    pick = pick - entry[1]
    kind = entry[2]
    if pick <= 0 then break end
  end
  local path
  if kind == "update" then
    path = "log/update" .. head(user, channel) .. "&com=" .. (math.random() < 0.9 and "open" or "close")
  elseif kind == "adview" then
    path = "log/adview" .. head(user, "999") .. "&id=9990000000000000001&adtype=ticker_banner&com=each"
  elseif kind == "bannerview" then
    path = "log/view?banner=9990000000000000001"
  elseif kind == "click" then
    local id = headline(channel)
    path = "log/click" .. head(user, id:sub(1, 3)) .. "&id=" .. id
  elseif kind == "adclick" then
    local id = channel .. "0000000000000001"
    path = "log/adclick" .. head(user, channel) .. "&adtype=pr&id=" .. id
  elseif kind == "movieview" then
    path = "log/view?movie=8000000" .. math.random(1, 2)
  else
    path = "log/search?p=" .. counter
  end
  return wrk.format("GET", wrk.path .. path .. stamp())
end
