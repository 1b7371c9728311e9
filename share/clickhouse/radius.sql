-- RADIUS messages as `radius-analyzer -T jsonl` writes them, for a ClickHouse cluster.
--
-- Run this file on every server of the cluster (it makes no use of ON CLUSTER, which
-- needs ZooKeeper):
--     clickhouse-client --multiquery < radius.sql
-- then load each capture point's rows through the Distributed table:
--     radius-analyzer -T jsonl --capture-host probe-1 capture.pcapng |
--         clickhouse-client --input_format_skip_unknown_fields=1 \
--             --insert_distributed_sync=1 \
--             --query "INSERT INTO radius_messages_all FORMAT JSONEachRow"
--
-- The cluster is named radius_cluster in the servers' remote_servers configuration.
-- Every attribute arrives as a column avp_NAME (an array of its values); those below are
-- the ones operators query most, and input_format_skip_unknown_fields=1 lets the rest
-- pass. Add a column for any other attribute as `avp_NAME Array(String)`, or
-- Array(Int64) for an integer one, before loading. The types keep to what ClickHouse has
-- had since release 18 and reads the same today.

CREATE TABLE IF NOT EXISTS radius_messages
(
    frame UInt64,
    time String,                -- RFC 3339, UTC, nanoseconds
    time_epoch Float64,         -- seconds since 1970
    event_time DateTime ALIAS toDateTime(toUInt32(time_epoch)), -- for queries by time
    host String,                -- the capture point
    src String,
    dst String,
    sport UInt16,
    dport UInt16,
    transport String,
    client String,              -- a request's source, a response's destination
    code UInt8,
    code_name String,
    identifier UInt8,
    length UInt16,
    malformed_attributes UInt32,
    responseFrame Nullable(UInt64),    -- on a request: the frame of its first response
    requestFrame Nullable(UInt64),     -- on a response: the frame of its request
    responseTime Nullable(Float64),    -- on a response: seconds from its request
    retransmissionOf Nullable(UInt64), -- on a copy sent again: the frame of the first
    authenticatorCheck Nullable(String),
    messageAuthenticatorCheck Nullable(String),
    userPassword Nullable(String),
    exposure Nullable(String),
    avp_User_Name Array(String),
    avp_NAS_IP_Address Array(String),
    avp_NAS_IPv6_Address Array(String),
    avp_NAS_Identifier Array(String),
    avp_NAS_Port Array(Int64),
    avp_NAS_Port_Type Array(Int64),
    avp_NAS_Port_Id Array(String),
    avp_Service_Type Array(Int64),
    avp_Framed_IP_Address Array(String),
    avp_Called_Station_Id Array(String),
    avp_Calling_Station_Id Array(String),
    avp_Reply_Message Array(String),
    avp_Class Array(String),
    avp_State Array(String),
    avp_Session_Timeout Array(Int64),
    avp_Acct_Status_Type Array(Int64),
    avp_Acct_Session_Id Array(String),
    avp_Acct_Session_Time Array(Int64),
    avp_Acct_Input_Octets Array(Int64),
    avp_Acct_Output_Octets Array(Int64),
    avp_Acct_Input_Packets Array(Int64),
    avp_Acct_Output_Packets Array(Int64),
    avp_Acct_Terminate_Cause Array(Int64),
    avp_Event_Timestamp Array(String)
)
ENGINE = MergeTree
PARTITION BY toYYYYMM(toDateTime(toUInt32(time_epoch)))
ORDER BY (client, time_epoch);

-- Every server's radius_messages at once; rows are spread by client, so that one NAS's
-- requests and responses stay together on one shard.
CREATE TABLE IF NOT EXISTS radius_messages_all AS radius_messages
ENGINE = Distributed(radius_cluster, currentDatabase(), radius_messages, cityHash64(client));
